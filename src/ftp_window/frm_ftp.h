// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/link_block.h"
#include "session/publishing_session.h"
#include "widgets/form.h"

#include <QElapsedTimer>
#include <QHash>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace lumaport {

class Forms;
class InternetTransfer;
class LinkPanel;
class LocalFilePanel;
class LogOnPanel;
class RemoteFilesPanel;
class PictureBox;
class Publisher;
struct SendOutcome;
class RemoteFolder;
class RemoteRequests;
struct ServerIdentity;
class Timer;

namespace test {
class FtpWindowProbe;
}

/// What the FTP window's status line says while logged on and no request runs.
inline const QString kConnected = QStringLiteral("Connected");
/// What it says while logged off.
inline const QString kNotConnected = QStringLiteral("Not Connected");

/// "FTP": logs on to the user's server, walks its folders, sends and receives files, and builds the
/// published file's web address.
class frmftp : public Form
{
    Q_OBJECT
public:
    explicit frmftp(Forms& forms);
    ~frmftp() override;

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    /// Abandons a running request: the program is ending.
    void abandonRequest();

private:
    // The window's title: "FTP-" and the address in use, or the server while no address is in use; "FTP" alone
    // while neither is known. It follows the address wherever it changes.
    void showTitle();
    // The boxes show the session's texts and hand what the user types back to it; the local panel shows the
    // files handed over.
    void bindSession();
    void showHandOver(HandOver how);
    void connectPublishing();
    void cmdURL_Click();
    void Command3_Click();
    void Command9_Click();
    void Command10_Click();
    // What both "Selected" builders do first: the selected remote entry becomes the file named.
    QString takeSelectedEntry();
    // txtURL := the tagged address of the file, and the opening tag the build settled on. With the thumbnail
    // keyword, the thumbnail form when the file has a thumbnail, else the picture tag.
    // Whether the thumbnail form was built, which links the thumbnail too.
    bool buildTaggedAddress(const QString& fileName, bool hasThumbnail);
    // The fields of a tagged address, without the file.
    TagFields tagFields() const;
    void Command6_Click();
    void Command1_Click();
    void Command2_Click();
    void setSystemStatus(const QString& status);

private:
    friend class test::FtpWindowProbe;

    // The window's own controls (frm_ftp_layout.cpp).
    void buildLoginOptions();
    void buildRemoteFiles();
    // The local panel, and "Send" with the send and receive buttons beside it.
    void buildLocalFiles();
    // The link panel, and the ways out of the window and the status line below it.
    void buildLinkBuilder();

    void setStatus(const QString& status);
    // The controls that work only while logged on, all but the four that each reset path treats apart.
    void enableConnectionControls(bool enabled);
    void showLoggedOn();
    void showLogOnFailed();
    // The remote list's selected entry; empty when none is selected.
    QString selectedEntry() const;
    // Whether the remote list holds the entry, whole and exact.
    bool listed(const QString& entry) const;
    // The connection has no state of its own: Log Off is on exactly while the window shows it logged on, or while a
    // log-on runs, which it cancels.
    bool loggedOn() const;

    // Every command that sends a request begins with FtpReady(true) and stops when it says no; the "Busy"
    // box has then told the user why. No while a request runs or a command still waits for one.
    bool FtpReady(bool ShowMessage);
    // The continuation of a request of the publisher's: its states (status line, listing, size, error box) are
    // handled as they come. Once it has ended and nothing runs, then(replied) is called: true when it ended with its
    // reply; false when it failed (the error box has said why) or was cancelled. Log On is off meanwhile; other
    // commands turn themselves away through FtpReady, and Log Off or closing the window cancel it.
    std::function<void(bool replied)> held(std::function<void(bool replied)> then = {});
    // Once nothing runs, clears the remote list and sends "DIR" without waiting for it, then calls then. Sends
    // nothing once the connection was closed meanwhile: the component would log on again unasked.
    void WaitAndRelist(std::function<void()> then = {});
    // Calls then once nothing runs, with Log On off until then.
    void waitUntilIdle(std::function<void()> then);
    // A command waits for a request: Log On, which has no busy guard, would cancel it and log on meanwhile.
    void holdLogOn();
    void releaseLogOn();
    // Every request but the re-list's listing and Log Off's close is waited for.
    void cancelRequest();

    void cmdLogOn_Click();
    void cmdLogOff_Click();
    void ITC_StateChanged(int State);
    void ITC_TrustAsked(const ServerIdentity& identity);
    void ITC_PassphraseAsked(const QString& keyFile, bool again);
    void readReply();

    // Commands on remote entries: their buttons, and the remote list's keys and context menu.
    void buildRemoteCommands();
    void cmdNewFolder_Click();
    void cmdRename_Click();
    void cmdDelete_Click();
    void cmdSize_Click();

    Forms& m_forms;
    PublishingSession& m_session;
    QPushButton* cmdsend;
    QPushButton* Command6;
    QLineEdit* txtpermurl;
    LogOnPanel* fraLoginInfo;

    RemoteFilesPanel* fraRemoteFiles;

    LocalFilePanel* fraLocalFiles;

    QGroupBox* fraControls;
    PictureBox* imgSendFile;
    QLabel* lblSendFile;
    PictureBox* imgReceiveFile;
    QLabel* lblReceiveFile;

    LinkPanel* m_links;

    QPushButton* Command2;
    QPushButton* Command1;
    QGroupBox* fraStatus;
    QLabel* lblStatus;
    QLineEdit* Text4;
    QLineEdit* txtserverurl;
    QLineEdit* txtfolder;
    QLineEdit* txtfile;
    QLineEdit* Text78;
    // Null only in tests of the other windows, which never go online but may open and close this one.
    RemoteRequests* m_requests = nullptr; // the session's
    InternetTransfer* ITC = nullptr;      // m_requests' component
    bool SizeRequest = false;
    // The entry whose size was asked for; the reply names it, whatever is selected when it arrives.
    QString m_sizeEntry;
    // Commands waiting for their requests; Log On comes back once none does.
    int m_waitDepth = 0;
    bool m_loggingOn = false; // the log-on's first request runs

    // Remote navigation and file transfers.
    void setUpTransfers();
    void lstRemoteFile_Click();
    void lstRemoteFile_DblClick();
    void Command11_Click();
    void cmdUpFolder_Click();
    void cmdsend_Click();
    void imgSendFile_Click();
    void imgReceiveFile_Click();
    // CD into a folder entry, then a new listing, then then. The address texts follow only when the server let us
    // in.
    void openFolder(const QString& entry, std::function<void()> then = {});
    // After a change of folder: txtfolder, the path from the log-on folder ("2026/12/", empty there);
    // txtserverurl, its web address.
    void followFolder(const RemoteFolder& asked);
    void setRemoteFolder(const RemoteFolder& folder);
    // The progress bar from the start of a GET or a send until its end.
    void showTransferStart();
    void showTransferProgress(qint64 bytesDone, qint64 bytesTotal);
    QProgressBar* prgTransfer;
    QElapsedTimer m_transferClock;

    // The files sent by the publisher over the session's requests, pictures made ready for a forum as the local
    // panel's choices say: set, one line of the status and one box for the whole set; alone, a lone picture that
    // can't be prepared is told in a box, and one that can't be read whole is sent as it is only on the user's Yes.
    void setUpPublisher();
    void sendFiles(const QStringList& names, bool set, const QList<SentFile>& reused);
    void oneFileSent(const SendOutcome& outcome);
    std::unique_ptr<Publisher> m_publisher;
    bool m_publishing = false; // its bar shows the whole send
    // "Make sent files public", in the context menu of "Send": files sent to a bucket get the public-read ACL.
    void buildPublicSendsChoice();
    void mnuPublicSends_Toggled(bool on);
    // The same choice as a box over "Send", seen only while the server is a bucket.
    void buildPublicSendsBox();
    QAction* mnuPublicSends;
    QCheckBox* chkPublicSends;
    // How the last send went, when the component had something to say; shown once its re-list is in.
    QString m_sendNote;

    // The session's link checks: after a builder, the address it built, the local file's size compared where it is
    // known; after a send, files the web server may not read are offered to be made readable.
    void setUpLinkCheck();
    void checkBuiltLink(const QString& name, bool localFile, bool withThumbnail = false);
    // Asks whether these sent files may be made readable by everyone, makes them so, then checks them again.
    void makeReadable(const QStringList& unreadable);

    // The history of sends: a row for every file sent, and the button that opens it.
    void setUpHistory();
    void cmdPublished_Click();
    void PublishedRecorder_Failed();
    // Before files are sent, first of all: those whose bytes the history holds with a link that works now (checked
    // again here, briefly) may use that link instead; asked once, for one file or for all of a set. then gets the
    // names still to send, in order, and the files whose links are used; it is not called when the user cancelled.
    void offerPublishedLinks(const QStringList& names,
                             std::function<void(const QStringList& left, const QList<SentFile>& reused)> then);
    // The files whose published links are used, with nothing else sent: they are what was sent last.
    void showReused(const QList<SentFile>& reused);
    QPushButton* cmdPublished;
    bool m_historyTroubleShown = false;

    // Several files sent in one go (frm_ftp_set_send.cpp).
    // Files dropped here are chosen in the main window as a drop there chooses them, then handed over.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The Overwrite questions about names the remote list holds, asked of a listing read again first (the list may
    // be older than a server that stopped since); set: once per name, with "to All". then gets the names to send,
    // in order; it is not called when the listing failed.
    void askOverwrite(const QStringList& names, bool set, std::function<void(const QStringList&)> then);
    // The set's Overwrite questions: the names to send, in order.
    QStringList namesToSend(const QStringList& set);
    // After the set: the box naming what failed, the links of what was sent and reused, their check, the re-list.
    void setSent(const QStringList& names, QStringList notSent, const QList<SentFile>& reused);
    // txtURL: the links of the files sent last, each at its own address, in the form asked for.
    void showSentLinks(LinkForm form);
    bool m_sendingAtOnce = false; // the set's box tells every failure
    // "Request URL" and "URL with Tags" with a set handed over: one line per file. False without a set.
    bool buildSetBlock(LinkForm form);
    // The "Selected" builders with several remote entries selected. False with fewer.
    bool buildSelectedBlock(LinkForm form);
    // Shows the block and checks its links; sizes holds what each name's answer should measure, where known.
    void showBlock(const QList<BlockFile>& files, LinkForm form, const QHash<QString, qint64>& sizes);
    QString m_setStatus; // shown instead of the component's states while a set is sent
};

} // namespace lumaport
