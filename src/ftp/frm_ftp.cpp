// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp/frm_ftp.h"

#include "ftp/listing_entries.h"
#include "history/published_recorder.h"
#include "main_window/frm_load.h"
#include "platform/address_box.h"
#include "platform/drive_list.h"
#include "platform/file_list.h"
#include "platform/folder_list.h"
#include "platform/picture_box.h"
#include "platform/services.h"
#include "platform/shape.h"
#include "platform/timer.h"
#include "platform/wrapping_button.h"
#include "publish/link_check.h"
#include "publish/link_set_check.h"
#include "startup/forms.h"
#include "transfer/ftp_error.h"
#include "transfer/internet_transfer.h"
#include "transfer/remote_folder.h"
#include "transfer/trusted_servers.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace lumaport {

namespace {

const QColor kDarkRed(192, 0, 0);
const QColor kPaleGreen(192, 255, 192);
const QColor kPaleRed(255, 192, 192);

const QString kServerStatus = QStringLiteral("Server Status");
const QString kNotConnected = QStringLiteral("Not Connected");
const QString kUrlHint = QStringLiteral("Enter the Name of the server (Used in the URL) ");

void makeBold(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

QPushButton* addTipButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips,
                          const QString& toolTip)
{
    QPushButton* button = addButton(parent, name, caption, twips);
    button->setToolTip(toolTip);
    return button;
}

void setPicture(QPushButton* button, const QString& resource)
{
    button->setIcon(QIcon(resource));
    button->setIconSize(QSize(16, 16));
}

// A label whose caption is set once, shrunk to fit its box.
QLabel* addFittedLabel(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    QLabel* label = addLabel(parent, name, caption, twips);
    fitCaption(label);
    return label;
}

// A button too narrow for its caption on one line.
QPushButton* addWrappingButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips)
{
    auto* button = addControl<WrappingButton>(parent, name, twips);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

// A text box with no label of its own to name it for screen readers.
QLineEdit* addNamedTextBox(QWidget* parent, const char* name, const Twips& twips, const QString& accessibleName,
                           const QString& text = {})
{
    QLineEdit* box = addTextBox(parent, name, twips, text);
    box->setAccessibleName(accessibleName);
    return box;
}

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

frmftp::frmftp(Forms& forms) : Form(QStringLiteral("frmftp"), QStringLiteral("FTP"), 9750, 7170), m_forms(forms)
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

    Timer1 = new Timer(this, 1000, true, m_forms.services().timerClock());
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new Timer(this, 4000, false, m_forms.services().timerClock());
    Timer2->setObjectName(QStringLiteral("Timer2"));

    ITC = m_forms.makeTransfer();
    if (ITC) {
        connect(ITC.get(), &InternetTransfer::StateChanged, this, &frmftp::ITC_StateChanged);
        connect(ITC.get(), &InternetTransfer::TrustAsked, this, &frmftp::ITC_TrustAsked);
        connect(ITC.get(), &InternetTransfer::PassphraseAsked, this, &frmftp::ITC_PassphraseAsked);
    }

    connect(cmdLogOn, &QPushButton::clicked, this, &frmftp::cmdLogOn_Click);
    connect(cmdLogOff, &QPushButton::clicked, this, &frmftp::cmdLogOff_Click);
    connect(Timer1, &Timer::timer, this, &frmftp::Timer1_Timer);
    connect(Timer2, &Timer::timer, this, &frmftp::Timer2_Timer);
    connect(drvLocalDrive, &DriveList::changed, this, &frmftp::drvLocalDrive_Change);
    connect(dirLocalDir, &FolderList::changed, this, &frmftp::dirLocalDir_Change);
    setUpLinkCheck();
    setUpTransfers();
    setAcceptDrops(true);
    buildPictureChoices();
    buildKeyringChoice();
    setUpHistory();
    connectPublishing();
}

frmftp::~frmftp() = default;

void frmftp::buildLoginOptions()
{
    fraLoginInfo = addFrame(this, "fraLoginInfo", QStringLiteral("Login Options"), {240, 240, 4170, 4020});
    Command8 = addButton(fraLoginInfo, "Command8", QStringLiteral("Clear"), {240, 360, 855, 255});
    Command7 = addButton(fraLoginInfo, "Command7", QStringLiteral("Load"), {1200, 360, 855, 255});
    cmdsave = addButton(fraLoginInfo, "cmdsave", QStringLiteral("Save"), {2160, 360, 855, 255});
    cmdopen = addButton(fraLoginInfo, "cmdopen", QStringLiteral("Open"), {3120, 360, 855, 255});
    lblserver1 = addFittedLabel(fraLoginInfo, "lblserver1", QStringLiteral("Permanente URL"), {240, 840, 2775, 255});
    // Belongs to the window, not the frame, yet sits in the frame under its label.
    Text3 = addTextBox(this, "Text3", {480, 1320, 3735, 285});
    Text3->setToolTip(kUrlHint);
    setBuddy(lblserver1, Text3);
    Label1 = addFittedLabel(fraLoginInfo, "Label1", QStringLiteral("URL Name"), {240, 1440, 1095, 255});
    txtname = addTextBox(fraLoginInfo, "txtname", {240, 1680, 3735, 195});
    txtname->setToolTip(QStringLiteral("current displayed URL"));
    txtname->setFocusPolicy(Qt::ClickFocus);
    // Too low for a frame around the text; on the window colour it reads as the address shown.
    txtname->setFrame(false);
    setForeColor(txtname, kDarkRed);
    QPalette palette = txtname->palette();
    palette.setColor(QPalette::Base, kFormBackColor);
    txtname->setPalette(palette);
    setBuddy(Label1, txtname);

    Shape1 = addControl<Shape>(fraLoginInfo, "Shape1", {120, 1920, 3975, 1935});
    lblServer = addFittedLabel(fraLoginInfo, "lblServer", QStringLiteral("Server:"), {240, 2040, 510, 195});
    txtServer = addTextBox(fraLoginInfo, "txtServer", {240, 2280, 3765, 285});
    txtServer->setToolTip(QStringLiteral("FTP Server Name"));
    setBuddy(lblServer, txtServer);
    lblUserName = addFittedLabel(fraLoginInfo, "lblUserName", QStringLiteral("User Name:"), {240, 2640, 840, 195});
    txtUserName = addTextBox(fraLoginInfo, "txtUserName", {240, 2880, 2205, 285});
    txtUserName->setToolTip(QStringLiteral("User Name"));
    setBuddy(lblUserName, txtUserName);
    cmdLogOn = addTipButton(fraLoginInfo, "cmdLogOn", QStringLiteral("Log On"), {2640, 2880, 1320, 420},
                            QStringLiteral("Log On"));
    makeBold(cmdLogOn);
    setBackColor(cmdLogOn, kPaleGreen);
    lblPassword = addFittedLabel(fraLoginInfo, "lblPassword", QStringLiteral("Password:"), {240, 3240, 735, 195});
    txtPassword = addTextBox(fraLoginInfo, "txtPassword", {240, 3480, 2205, 285});
    txtPassword->setToolTip(QStringLiteral("Password"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    setBuddy(lblPassword, txtPassword);
    cmdLogOff = addTipButton(fraLoginInfo, "cmdLogOff", QStringLiteral("Log Off"), {2640, 3360, 1320, 420},
                             QStringLiteral("Log Off"));
    makeBold(cmdLogOff);
    setBackColor(cmdLogOff, kPaleRed);
    cmdLogOff->setEnabled(false);
}

void frmftp::buildRemoteFiles()
{
    fraRemoteFiles = addFrame(this, "fraRemoteFiles", QStringLiteral("Remote Files"), {4440, 240, 5175, 4020});
    lstRemoteFile = addControl<QListWidget>(fraRemoteFiles, "lstRemoteFile", {90, 360, 4995, 2985});
    // Several entries at once build a block of their addresses.
    lstRemoteFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstRemoteFile->setAccessibleName(QStringLiteral("Remote Files"));
    // Folders of many thousands of entries: rows of one height are laid out without measuring each.
    lstRemoteFile->setUniformItemSizes(true);
    lstRemoteFile->setEnabled(false);
    Label4 = addLabel(fraRemoteFiles, "Label4", QString(), {120, 3380, 975, 200});
    Label4->setAlignment(Qt::AlignCenter);
    Command11 = addButton(fraRemoteFiles, "Command11", QStringLiteral("Preview"), {120, 3630, 1005, 300});
    Command10 =
        addWrappingButton(fraRemoteFiles, "Command10", QStringLiteral("Selected No Tags"), {1200, 3480, 975, 450});
    Command9 = addWrappingButton(fraRemoteFiles, "Command9", QStringLiteral("Use Selected with Tags"),
                                 {2160, 3480, 1215, 450});
    cmdUpFolder = addTipButton(fraRemoteFiles, "cmdUpFolder", QString(), {3480, 3600, 420, 330},
                               QStringLiteral("Move Up One Folder"));
    cmdDelete = addTipButton(fraRemoteFiles, "cmdDelete", QStringLiteral("Delete File"), {3960, 3600, 1140, 330},
                             QStringLiteral("Delete"));
    // These three lie beyond the frame's right edge: clipped away, reachable only by tabbing.
    cmdSize = addTipButton(fraRemoteFiles, "cmdSize", QStringLiteral("S"), {7200, 1200, 420, 320},
                           QStringLiteral("Get File Size"));
    cmdRename = addTipButton(fraRemoteFiles, "cmdRename", QStringLiteral("R"), {7200, 1560, 420, 320},
                             QStringLiteral("Rename File"));
    cmdNewFolder =
        addTipButton(fraRemoteFiles, "cmdNewFolder", QString(), {7200, 2400, 420, 330}, QStringLiteral("New Folder"));
    for (QPushButton* button : {cmdUpFolder, cmdDelete, cmdSize, cmdRename, cmdNewFolder})
        button->setEnabled(false);
    setPicture(cmdUpFolder, QStringLiteral(":/lumaport/up_folder.png"));
    setPicture(cmdDelete, QStringLiteral(":/lumaport/delete.png"));
    setPicture(cmdNewFolder, QStringLiteral(":/lumaport/new_folder.png"));
    cmdUpFolder->setAccessibleName(cmdUpFolder->toolTip());
    cmdNewFolder->setAccessibleName(cmdNewFolder->toolTip());
    buildRemoteCommands();
}

void frmftp::buildLocalFiles()
{
    fraLocalFiles = addFrame(this, "fraLocalFiles", QStringLiteral("Local File"), {240, 4320, 8040, 735});
    // Narrow enough for the picture choices beside "Send".
    txtsaveftp = addNamedTextBox(fraLocalFiles, "txtsaveftp", {120, 360, 1605, 285}, QStringLiteral("Local File"));
    drvLocalDrive = addControl<DriveList>(fraLocalFiles, "drvLocalDrive", {360, 4800, 1800, 315});
    drvLocalDrive->setToolTip(QStringLiteral("Local Drive List"));
    dirLocalDir = addControl<FolderList>(fraLocalFiles, "dirLocalDir", {360, 5160, 1815, 540});
    dirLocalDir->setToolTip(QStringLiteral("Local Directory"));
    filLocalFile = addControl<FileList>(fraLocalFiles, "filLocalFile", {2160, 4800, 2895, 870});
    filLocalFile->setToolTip(QStringLiteral("Local Files"));

    fraControls = addFrame(this, "fraControls", QString(), {8280, 4320, 1335, 735});
    cmdsend = addButton(fraControls, "cmdsend", QStringLiteral("Send"), {120, 240, 1095, 375});
    imgSendFile = addControl<PictureBox>(fraControls, "imgSendFile", {3240, 270, 390, 345});
    imgSendFile->setPicture(QPixmap(QStringLiteral(":/lumaport/send_file.png")));
    imgSendFile->setToolTip(QStringLiteral("Send Selected File"));
    imgSendFile->setEnabled(false);
    lblSendFile = addFittedLabel(fraControls, "lblSendFile", QStringLiteral("Send File"), {3720, 360, 810, 195});
    imgReceiveFile = addControl<PictureBox>(fraControls, "imgReceiveFile", {4680, 270, 390, 345});
    imgReceiveFile->setPicture(QPixmap(QStringLiteral(":/lumaport/receive_file.png")));
    imgReceiveFile->setToolTip(QStringLiteral("Recieve Selected File"));
    imgReceiveFile->setEnabled(false);
    lblReceiveFile =
        addFittedLabel(fraControls, "lblReceiveFile", QStringLiteral("Receive File"), {5280, 360, 1080, 195});
}

void frmftp::buildLinkBuilder()
{
    cmdURL = addButton(this, "cmdURL", QStringLiteral("Request URL"), {360, 5280, 1215, 375});
    txturl1 = addNamedTextBox(this, "txturl1", {1680, 5280, 855, 285}, QStringLiteral("Opening tag"),
                              QStringLiteral("[img]"));
    txturl1->setFocusPolicy(Qt::ClickFocus);
    Command3 = addButton(this, "Command3", QStringLiteral("URL with Tags"), {2640, 5280, 1335, 375});
    txturl2 = addNamedTextBox(this, "txturl2", {4080, 5280, 855, 255}, QStringLiteral("Closing tag"),
                              QStringLiteral("[/img]"));
    txturl2->setFocusPolicy(Qt::ClickFocus);
    Command4 = addButton(this, "Command4", QStringLiteral("Save Tags"), {5040, 5280, 975, 375});
    Label2 = addFittedLabel(this, "Label2", QStringLiteral("UBB Tags"), {6120, 5160, 975, 255});
    Text1 = addTextBox(this, "Text1", {6120, 5400, 975, 285});
    Text1->setToolTip(QStringLiteral("Enter your tag here"));
    setBuddy(Label2, Text1);
    Label3 = addFittedLabel(this, "Label3", QStringLiteral("URL Text"), {7200, 5160, 2415, 255});
    Text2 = addTextBox(this, "Text2", {7200, 5400, 2415, 285});
    setBuddy(Label3, Text2);
    txtURL = addControl<AddressBox>(this, "txtURL", {240, 5880, 9375, 435});
    txtURL->setAccessibleName(QStringLiteral("Address"));
    Command5 = addButton(this, "Command5", QStringLiteral("Copy"), {240, 6600, 855, 375});
    Command2 = addButton(this, "Command2", QStringLiteral("EXIT"), {1200, 6600, 735, 375});
    Command1 = addButton(this, "Command1", QStringLiteral("Back"), {2040, 6600, 855, 375});
    fraStatus = addFrame(this, "fraStatus", QStringLiteral("Status"), {3240, 6480, 3570, 540});
    lblStatus = addLabel(fraStatus, "lblStatus", kNotConnected, {120, 240, 3255, 240});
    lblStatus->setToolTip(QStringLiteral("Connection Status"));
    lblStatus->setAlignment(Qt::AlignCenter);
    makeBold(lblStatus);
    Command6 = addButton(this, "Command6", QStringLiteral("Select Another Picture"), {7200, 6600, 2415, 375});

    // Below the bottom edge: state the window keeps, never seen.
    Text4 =
        addNamedTextBox(this, "Text4", {2880, 7680, 255, 285}, QStringLiteral("Address ending"), QStringLiteral("/"));
    txtpermurl = addNamedTextBox(this, "txtpermurl", {4080, 7560, 3735, 285}, QStringLiteral("Permanent address"));
    txtpermurl->setToolTip(kUrlHint + QStringLiteral("Include \"/\" at the end."));
    txtserverurl = addNamedTextBox(this, "txtserverurl", {1920, 8160, 1935, 285}, QStringLiteral("Folder address"));
    txtfolder = addNamedTextBox(this, "txtfolder", {3960, 8160, 2055, 285}, QStringLiteral("Remote folder"));
    txtfile = addNamedTextBox(this, "txtfile", {6120, 8160, 1455, 285}, QStringLiteral("Remote file"));
    Text78 = addNamedTextBox(this, "Text78", {1680, 8640, 5415, 285}, QStringLiteral("Server profile"));
    Text78->hide();
}

void frmftp::Form_Load()
{
    if (Text1->text() == QLatin1String("url")) {
        Text2->setVisible(true);
        Command6->setText(QStringLiteral("Select another File"));
    }
    SizeRequest = false;
    setWindowTitle(QStringLiteral("FTP-") + txtname->text());
    for (QWidget* control : std::initializer_list<QWidget*>{cmdsend, Command9, Command10, Command11})
        control->setEnabled(false);
}

void frmftp::Form_Unload(bool& cancel)
{
    cancel = true;
    if (ITC)
        cancelRequest();
    m_forms.frmload().Show();
    hide();
}

void frmftp::setLocalFile(const QString& drive, const QString& folder, const QString& name)
{
    m_fileSet.clear();
    txtsaveftp->setToolTip(QString());
    drvLocalDrive->setDrive(drive);
    const QString listed = filLocalFile->path();
    dirLocalDir->setPath(folder);
    if (!filLocalFile->setFileName(name) && filLocalFile->path() == listed && filLocalFile->refresh())
        filLocalFile->setFileName(name);
}

void frmftp::setStatus(const QString& status)
{
    lblStatus->setText(status);
    fraStatus->setTitle(kServerStatus);
}

void frmftp::enableConnectionControls(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{cmdNewFolder, cmdDelete, cmdRename, cmdSize, cmdUpFolder,
                                                            imgSendFile, imgReceiveFile, lstRemoteFile, cmdLogOff})
        control->setEnabled(enabled);
    cmdLogOn->setEnabled(!enabled && m_waitDepth == 0);
}

void frmftp::showLoggedOn()
{
    setStatus(kConnected);
    enableConnectionControls(true);
    txtname->setText(txtpermurl->text());
    for (QWidget* control : std::initializer_list<QWidget*>{cmdsend, Command9, Command10, Command11})
        control->setEnabled(true);
    setWindowTitle(QStringLiteral("FTP-") + txtServer->text());
}

void frmftp::showLogOnFailed()
{
    cancelRequest();
    setStatus(kNotConnected);
    enableConnectionControls(false);
    // The preview button keeps its state here, unlike after a log off.
    for (QWidget* control : std::initializer_list<QWidget*>{cmdsend, Command9, Command10})
        control->setEnabled(false);
}

QString frmftp::selectedEntry() const
{
    // Of several selected, the one clicked last.
    const QListWidgetItem* current = lstRemoteFile->currentItem();
    if (current && current->isSelected())
        return current->text();
    const QList<QListWidgetItem*> selected = lstRemoteFile->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

bool frmftp::listed(const QString& entry) const
{
    return !lstRemoteFile->findItems(entry, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty();
}

bool frmftp::loggedOn() const
{
    return cmdLogOff->isEnabled();
}

bool frmftp::FtpReady(bool ShowMessage)
{
    if (ITC->StillExecuting()) {
        if (ShowMessage)
            m_forms.services().messageBox(QStringLiteral("Please wait.  FTP is still executing"),
                                          QStringLiteral("Busy"), MsgIcon::Information);
        return false;
    }
    return true;
}

void frmftp::waitUntilIdle()
{
    // Log On has no busy guard: pressed now, it would cancel the request and log on inside this wait.
    cmdLogOn->setEnabled(false);
    ++m_waitDepth;
    while (!FtpReady(false))
        m_forms.services().waitForEvents();
    if (--m_waitDepth == 0)
        cmdLogOn->setEnabled(!loggedOn());
}

void frmftp::startRequest(const QString& command)
{
    ++m_request;
    ITC->Execute(command);
}

void frmftp::cancelRequest()
{
    ++m_request;
    // A cancelled size query is no longer outstanding: the next reply (a CLOSE's) is no size.
    SizeRequest = false;
    ITC->Cancel();
    // The next request logs on afresh, in the log-on folder.
    setRemoteFolder({});
}

void frmftp::abandonRequest()
{
    stopLinkCheck();
    if (ITC)
        cancelRequest();
}

bool frmftp::runRequest(const QString& command)
{
    startRequest(command);
    const int request = m_request;
    waitUntilIdle();
    return m_completedRequest == request;
}

void frmftp::WaitAndRelist()
{
    waitUntilIdle();
    if (!loggedOn())
        return;
    lstRemoteFile->clear();
    startRequest(QStringLiteral("DIR"));
    setStatus(kConnected);
}

void frmftp::cmdLogOn_Click()
{
    if (txtServer->text().isEmpty() || txtPassword->text().isEmpty()) {
        m_forms.services().messageBox(QStringLiteral("You must specify a server and password."),
                                      QStringLiteral("LogOn Failure"), MsgIcon::Information);
        return;
    }
    setStatus(QStringLiteral("Connecting"));
    ITC->setProtocol(InternetTransfer::icFTP);
    ITC->setRemoteHost(txtServer->text());
    ITC->setUserName(txtUserName->text().isEmpty() ? QStringLiteral("anonymous") : txtUserName->text());
    cancelRequest();
    cmdLogOn->setEnabled(false);
    ITC->setPassword(txtPassword->text());
    ITC->setRequestTimeout(kRequestTimeoutSeconds);

    // The first request connects, logs on and lists the starting folder onto whatever the list holds. A
    // refused log-on, a cancel or a time-out ends without a reply; the error box has already said why.
    if (runRequest(QStringLiteral("DIR")))
        showLoggedOn();
    else
        showLogOnFailed();
}

void frmftp::cmdLogOff_Click()
{
    lstRemoteFile->clear();
    cancelRequest();
    stopLinkCheck();
    waitUntilIdle();
    setStatus(QStringLiteral("Closing Connection"));
    // Not waited for: its own states may still replace the status text.
    startRequest(QStringLiteral("CLOSE"));
    setStatus(kNotConnected);
    enableConnectionControls(false);
    for (QWidget* control : std::initializer_list<QWidget*>{cmdsend, Command9, Command10, Command11})
        control->setEnabled(false);
}

void frmftp::ITC_StateChanged(int State)
{
    if (State == InternetTransfer::icError) {
        // Read before the cancel below can touch them.
        const auto code = FtpError(ITC->ResponseCode());
        const QString info = ITC->ResponseInfo();
        m_lastError = info;
        if (code == FtpError::ConnectionAborted) {
            setStatus(kNotConnected);
            enableConnectionControls(false);
            cancelRequest();
        }
        m_forms.services().messageBox(QString::number(int(code)) + QLatin1Char(' ') + info, QStringLiteral("Error"),
                                      MsgIcon::Critical);
        return;
    }
    if (State == InternetTransfer::icResponseCompleted) {
        m_completedRequest = m_request;
        readReply();
        return;
    }
    const QString text = stateText(State);
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
         chunk = ITC->GetChunk(kChunkSize, InternetTransfer::icString)) {
        m_forms.services().doEvents();
        reply += chunk;
    }
    m_forms.services().beep();
    if (SizeRequest) {
        m_forms.services().messageBox(QStringLiteral("The size of file ") + m_sizeEntry + QStringLiteral(" is ") +
                                          reply + QStringLiteral(" bytes"),
                                      QStringLiteral("Size"), MsgIcon::Information);
        return;
    }
    lstRemoteFile->addItems(listingEntries(reply));
    if (!m_sendNote.isEmpty())
        setStatus(std::exchange(m_sendNote, QString()));
}

void frmftp::Timer1_Timer()
{
    Label4->setText(m_forms.services().timeOfDay());
}

void frmftp::Timer2_Timer()
{
    cmdDelete->setEnabled(true);
    Timer2->setEnabled(false);
}

void frmftp::drvLocalDrive_Change()
{
    if (!dirLocalDir->setDrive(drvLocalDrive->drive()))
        m_forms.services().messageBox(QStringLiteral("Error accessing selected drive."), QStringLiteral("Error"),
                                      MsgIcon::Critical);
}

void frmftp::dirLocalDir_Change()
{
    filLocalFile->setPath(dirLocalDir->path());
}

} // namespace lumaport
