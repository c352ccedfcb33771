// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"

#include "ftp_window/log_on_panel.h"
#include "ftp_window/remote_files_panel.h"

#include "history/published_recorder.h"
#include "main_window/frm_load.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "session/link_checks.h"
#include "session/publisher.h"
#include "session/remote_requests.h"
#include "startup/forms.h"
#include "transfer/ftp_error.h"
#include "transfer/internet_transfer.h"
#include "transfer/listing_entries.h"
#include "transfer/remote_folder.h"
#include "transfer/trusted_servers.h"
#include "widgets/picture_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace lumaport {

namespace {

const QString kServerStatus = QStringLiteral("Server Status");

// The state texts shown in the status line; empty for states that leave it as it is.
QString stateText(int state)
{
    switch (state) {
    case InternetTransfer::icHostResolvingHost:
        return QStringLiteral("Finding Host IP Address");
    case InternetTransfer::icHostResolved:
        return QStringLiteral("IP Address Found");
    case InternetTransfer::icConnecting:
        return QStringLiteral("Connecting To Host");
    case InternetTransfer::icConnected:
        return kConnected;
    case InternetTransfer::icRequesting:
        return QStringLiteral("Sending Request");
    case InternetTransfer::icRequestSent:
        return QStringLiteral("Request Sent");
    case InternetTransfer::icReceivingResponse:
        return QStringLiteral("Receiving Response");
    case InternetTransfer::icResponseReceived:
        return QStringLiteral("Response Received");
    case InternetTransfer::icDisconnecting:
        return QStringLiteral("Disconnecting");
    case InternetTransfer::icDisconnected:
        return kNotConnected;
    default:
        return {};
    }
}

const int kChunkSize = 4096;
const int kRequestTimeoutSeconds = 40;

} // namespace

frmftp::frmftp(Forms& forms)
    : Form(QStringLiteral("frmftp"), QStringLiteral("FTP"), 9750, 7170), m_forms(forms), m_session(forms.session())
{
    setFixedSingleBorder(true);
    // Controls below the bottom edge hold state only; the window must never grow to show them.
    setFixedSize(size());
    setStartCentered();
    setBackColor(this, kFormBackColor);

    buildLoginOptions();
    buildRemoteFiles();
    buildLocalFiles();
    buildLinkBuilder();

    m_requests = m_session.requests();
    if (m_requests) {
        ITC = &m_requests->transfer();
        connect(m_requests, &RemoteRequests::stateChanged, this, &frmftp::ITC_StateChanged);
        connect(ITC, &InternetTransfer::TrustAsked, this, &frmftp::ITC_TrustAsked);
        connect(ITC, &InternetTransfer::PassphraseAsked, this, &frmftp::ITC_PassphraseAsked);
    }

    connect(fraLoginInfo, &LogOnPanel::logOnClicked, this, &frmftp::cmdLogOn_Click);
    connect(fraLoginInfo, &LogOnPanel::logOffClicked, this, &frmftp::cmdLogOff_Click);
    connect(fraLoginInfo, &LogOnPanel::said, this, [this](const QString& text, bool system) {
        if (system)
            setSystemStatus(text);
        else
            lblStatus->setText(text);
    });
    setUpLinkCheck();
    setUpTransfers();
    setUpPublisher();
    setAcceptDrops(true);
    buildPublicSendsChoice();
    buildPublicSendsBox();
    setUpHistory();
    m_links->buildLinkForms();
    bindSession();
    connectPublishing();
}

frmftp::~frmftp() = default;

void frmftp::Form_Load()
{
    m_links->Form_Load();
    if (m_session.text(SessionText::Keyword) == QLatin1String("url"))
        Command6->setText(QStringLiteral("Select another File"));
    SizeRequest = false;
    showTitle();
    cmdsend->setEnabled(false);
    fraRemoteFiles->enableLinkButtons(false);
}

void frmftp::Form_Unload(bool& cancel)
{
    cancel = true;
    if (m_requests)
        cancelRequest();
    m_forms.frmload().Show();
    hide();
}

void frmftp::showTitle()
{
    // Titles are cut by the window system at the right, where a long address keeps its file's name.
    constexpr qsizetype kLongestTitle = 80;
    const QString urlName = m_session.text(SessionText::UrlName);
    const QString shown = urlName.isEmpty() && loggedOn() ? m_session.text(SessionText::Server) : urlName;
    setWindowTitle(shown.isEmpty() ? QStringLiteral("FTP")
                                   : QStringLiteral("FTP-") + withLongWordsElided(shown, kLongestTitle));
}

void frmftp::setStatus(const QString& status)
{
    lblStatus->setText(status);
    fraStatus->setTitle(kServerStatus);
}

void frmftp::enableConnectionControls(bool enabled)
{
    fraRemoteFiles->enableCommands(enabled);
    for (QWidget* control : std::initializer_list<QWidget*>{imgSendFile, imgReceiveFile})
        control->setEnabled(enabled);
    fraLoginInfo->enableLogOff(enabled);
    fraLoginInfo->enableLogOn(!enabled && m_waitDepth == 0);
}

void frmftp::showLoggedOn()
{
    // The first listing's note, if it was cut short, outweighs "Connected".
    setStatus(ITC->ResponseInfo().isEmpty() ? kConnected : ITC->ResponseInfo());
    enableConnectionControls(true);
    m_session.setText(SessionText::UrlName, txtpermurl->text());
    cmdsend->setEnabled(true);
    fraRemoteFiles->enableLinkButtons(true);
    showTitle();
}

void frmftp::showLogOnFailed()
{
    cancelRequest();
    setStatus(kNotConnected);
    enableConnectionControls(false);
    // The preview button keeps its state here, unlike after a log off.
    cmdsend->setEnabled(false);
    fraRemoteFiles->enableLinkButtons(false, false);
}

QString frmftp::selectedEntry() const
{
    return fraRemoteFiles->selectedEntry();
}

bool frmftp::listed(const QString& entry) const
{
    return fraRemoteFiles->times(entry) > 0;
}

bool frmftp::loggedOn() const
{
    return fraLoginInfo->loggedOn() && !m_loggingOn;
}

bool frmftp::FtpReady(bool ShowMessage)
{
    if (m_requests->busy() || m_waitDepth > 0) {
        if (ShowMessage)
            m_forms.services().messageBox(QStringLiteral("Please wait.  FTP is still executing"),
                                          QStringLiteral("Busy"), MsgIcon::Information);
        return false;
    }
    return true;
}

void frmftp::holdLogOn()
{
    fraLoginInfo->enableLogOn(false);
    ++m_waitDepth;
}

void frmftp::releaseLogOn()
{
    if (--m_waitDepth == 0)
        fraLoginInfo->enableLogOn(!loggedOn());
}

void frmftp::waitUntilIdle(std::function<void()> then)
{
    holdLogOn();
    m_requests->whenIdle(this, [this, then = std::move(then)] {
        releaseLogOn();
        then();
    });
}

void frmftp::cancelRequest()
{
    // A cancelled size query is no longer outstanding: the next reply (a CLOSE's) is no size.
    SizeRequest = false;
    // A send cut short names why in its lines.
    if (m_publisher)
        m_publisher->cancel(QStringLiteral("Log Off was pressed"));
    else
        m_requests->cancel();
    // The next request logs on afresh, in the log-on folder.
    setRemoteFolder({});
}

void frmftp::abandonRequest()
{
    m_session.linkChecks().stop();
    if (m_requests)
        cancelRequest();
}

std::function<void(bool)> frmftp::held(std::function<void(bool)> then)
{
    holdLogOn();
    return [this, then = std::move(then)](bool replied) {
        releaseLogOn();
        if (then)
            then(replied);
    };
}

void frmftp::WaitAndRelist(std::function<void()> then)
{
    waitUntilIdle([this, then = std::move(then)] {
        if (loggedOn()) {
            fraRemoteFiles->clear();
            m_publisher->list(this, {});
            setStatus(kConnected);
        }
        if (then)
            then();
    });
}

void frmftp::cmdLogOn_Click()
{
    if (m_session.text(SessionText::Server).isEmpty() || m_session.text(SessionText::Password).isEmpty()) {
        m_forms.services().messageBox(QStringLiteral("You must specify a server and password."),
                                      QStringLiteral("LogOn Failure"), MsgIcon::Information);
        return;
    }
    setStatus(QStringLiteral("Connecting"));
    cancelRequest();
    fraLoginInfo->enableLogOn(false);
    m_publisher->setLogOn({m_session.text(SessionText::Server),
                           m_session.text(SessionText::UserName).isEmpty() ? QStringLiteral("anonymous")
                                                                           : m_session.text(SessionText::UserName),
                           m_session.text(SessionText::Password), kRequestTimeoutSeconds});

    // The first request connects, logs on and lists the starting folder onto whatever the list holds. A
    // refused log-on, a cancel or a time-out ends without a reply; the error box has already said why.
    m_loggingOn = true;
    // Log Off cancels a log-on that takes too long, such as one to a server that never answers.
    fraLoginInfo->enableLogOff(true);
    m_publisher->list(this, held([this](bool accepted) {
                          m_loggingOn = false;
                          if (accepted)
                              showLoggedOn();
                          else
                              showLogOnFailed();
                      }));
}

void frmftp::cmdLogOff_Click()
{
    if (m_loggingOn) {
        // Nothing to close yet: the log-on ends as a failed one, its Log On back.
        cancelRequest();
        setStatus(kNotConnected);
        fraLoginInfo->enableLogOff(false);
        return;
    }
    fraRemoteFiles->clear();
    // Nothing runs once cancelled: a command that waited learns of it when the CLOSE is over.
    cancelRequest();
    m_session.linkChecks().stop();
    setStatus(QStringLiteral("Closing Connection"));
    // Not waited for: its own states may still replace the status text.
    m_publisher->logOff();
    setStatus(kNotConnected);
    enableConnectionControls(false);
    cmdsend->setEnabled(false);
    fraRemoteFiles->enableLinkButtons(false);
}

void frmftp::ITC_StateChanged(int State)
{
    if (State == InternetTransfer::icError) {
        // Read before the cancel below can touch them.
        const auto code = FtpError(ITC->ResponseCode());
        const QString info = ITC->ResponseInfo();
        // A server that stopped refuses the next connection instead of resetting this one: either way nothing
        // more can reach it until the user logs on again, and nothing queued may try.
        if (code == FtpError::ConnectionAborted || code == FtpError::CannotConnect) {
            setStatus(kNotConnected);
            enableConnectionControls(false);
            cancelRequest();
        }
        if (!m_sendingAtOnce)
            m_forms.services().messageBox(QString::number(int(code)) + QLatin1Char(' ') + info, QStringLiteral("Error"),
                                          MsgIcon::Critical);
        return;
    }
    if (State == InternetTransfer::icResponseCompleted) {
        readReply();
        return;
    }
    // Reached the server, but the password is not taken yet: a refusal may take seconds to come.
    const QString text =
        m_loggingOn && State == InternetTransfer::icConnected ? QStringLiteral("Logging On") : stateText(State);
    if (!text.isEmpty())
        setStatus(m_setStatus.isEmpty() ? text : m_setStatus);
}

// The request waits for the answer. Enter answers no: trusting takes a deliberate click.
void frmftp::ITC_TrustAsked(const ServerIdentity& identity)
{
    const MsgAnswer answer = m_forms.services().messageBox(trustQuestion(identity), QStringLiteral("Security Warning"),
                                                           MsgIcon::Exclamation, MsgButtons::YesNoDefaultNo);
    ITC->AnswerTrust(answer == MsgAnswer::Yes);
}

// The component holds the passphrase for this log-on only; the window keeps nothing of it.
void frmftp::ITC_PassphraseAsked(const QString& keyFile, bool again)
{
    const QString question = QStringLiteral("The SSH key \"%1\" is protected by a passphrase. Enter it to log on with "
                                            "the key, or cancel to log on with the password.")
                                 .arg(keyFile);
    ITC->AnswerPassphrase(m_forms.services().passwordBox(
        again ? QStringLiteral("The passphrase was not accepted.\n") + question : question,
        QStringLiteral("SSH Key Passphrase")));
}

void frmftp::readReply()
{
    QString reply;
    for (QString chunk = ITC->GetChunk(kChunkSize, InternetTransfer::icString); !chunk.isEmpty();
         chunk = ITC->GetChunk(kChunkSize, InternetTransfer::icString))
        reply += chunk;
    m_forms.services().beep();
    if (SizeRequest) {
        m_forms.services().messageBox(QStringLiteral("The size of file ") + m_sizeEntry + QStringLiteral(" is ") +
                                          reply + QStringLiteral(" bytes"),
                                      QStringLiteral("Size"), MsgIcon::Information);
        return;
    }
    fraRemoteFiles->addEntries(listingEntries(reply));
    if (!m_sendNote.isEmpty())
        setStatus(std::exchange(m_sendNote, QString()));
    // A listing cut short says so.
    if (!ITC->ResponseInfo().isEmpty())
        setStatus(ITC->ResponseInfo());
}

} // namespace lumaport
