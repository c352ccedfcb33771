// SPDX-License-Identifier: GPL-3.0-or-later
// What the FTP window shows, read through its controls' names, for the window's test suites.
#pragma once

#include "ftp_window/frm_ftp.h"
#include "session/publisher.h"
#include "support/window_fixture.h"
#include "transfer/internet_transfer.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <functional>

namespace lumaport::test {

inline QString statusText(frmftp& ftp)
{
    return control<QLabel>(ftp, "lblStatus")->text();
}

inline QString statusFrame(frmftp& ftp)
{
    return control<QGroupBox>(ftp, "fraStatus")->title();
}

inline QStringList remoteEntries(frmftp& ftp)
{
    QStringList entries;
    const QListWidget* list = control<QListWidget>(ftp, "lstRemoteFile");
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->item(i)->text());
    return entries;
}

/// The window's busy guard and waiting steps, called the way its commands call them.
class FtpWindowProbe
{
public:
    explicit FtpWindowProbe(frmftp& ftp) : m_ftp(ftp) {}
    bool FtpReady(bool showMessage) { return m_ftp.FtpReady(showMessage); }
    /// A request of the window's publisher, held as the window holds its own.
    void runRequest(const std::function<void(Publisher&, Publisher::Then)>& request, Publisher::Then then)
    {
        request(*m_ftp.m_publisher, m_ftp.held(std::move(then)));
    }
    void WaitAndRelist() { m_ftp.WaitAndRelist(); }
    /// No request runs, and no command waits for one.
    bool idle() { return m_ftp.FtpReady(false); }

private:
    frmftp& m_ftp;
};

/// Waits until the window's commands are over, their requests and the re-lists they started included.
inline void waitUntilIdle(frmftp& ftp)
{
    QTRY_VERIFY_WITH_TIMEOUT(FtpWindowProbe(ftp).idle(), 30000);
}

/// The enabled states of the controls that follow the connection, one letter each ('1' on, '0' off) in the
/// order cmdLogOn, cmdLogOff, the five remote buttons, the two transfer pictures, lstRemoteFile, cmdsend,
/// Command9, Command10, Command11; the groups that always move together are checked to agree.
inline QString arrangement(frmftp& ftp)
{
    const char* names[] = {"cmdLogOn", "cmdLogOff",   "cmdNewFolder", "cmdDelete",      "cmdRename",
                           "cmdSize",  "cmdUpFolder", "imgSendFile",  "imgReceiveFile", "lstRemoteFile",
                           "cmdsend",  "Command9",    "Command10",    "Command11"};
    QString states;
    for (const char* name : names)
        states.append(control(ftp, name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0'));
    return states;
}

// The columns of the window's connection arrangements. "After loading" and "logged off" are the same; a
// failed log-on is the same again except that Command11 keeps its state.
inline const QString kLoggedOff = QStringLiteral("10000000000000");
inline const QString kLoggedOn = QStringLiteral("01111111111111");
/// Error 12030 after a successful log-on: the send and selection buttons stay on.
inline const QString kAbortedAfterLogOn = QStringLiteral("10000000001111");

/// Records the status line after every state the component reports, as "state:text".
class StatusRecorder : public QObject
{
public:
    StatusRecorder(frmftp& ftp, InternetTransfer& transfer) : m_ftp(ftp)
    {
        // Connected after the window's own handler, so each record shows what that handler made of the state.
        connect(&transfer, &InternetTransfer::StateChanged, this,
                [this](int state) { m_texts.append(QString::number(state) + QLatin1Char(':') + statusText(m_ftp)); });
    }
    QStringList texts() const { return m_texts; }
    QList<int> states() const
    {
        QList<int> states;
        for (const QString& text : m_texts)
            states.append(text.section(QLatin1Char(':'), 0, 0).toInt());
        return states;
    }

private:
    frmftp& m_ftp;
    QStringList m_texts;
};

} // namespace lumaport::test
