// SPDX-License-Identifier: GPL-3.0-or-later
// The sentences that tell the user why a request failed, and the password kept out of them.
#include "transfer/ftp_error.h"

#include <QTest>

#include <curl/curl.h>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstFtpError : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void failureTexts_data();
    void failureTexts();
    void passwordMasked_data();
    void passwordMasked();
};

void TstFtpError::failureTexts_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("curlCode");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("sftp");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* tag, FtpError error, int curlCode, const QString& reply, bool sftp,
                        const QString& text) { QTest::newRow(tag) << int(error) << curlCode << reply << sftp << text; };
    row("time-out", FtpError::TimedOut, CURLE_OPERATION_TIMEDOUT, {}, false,
        u"The server did not answer within 30 seconds."_s);
    row("refused with a reply", FtpError::ServerRefused, CURLE_QUOTE_ERROR, u"550 No such file"_s, false,
        u"550 No such file"_s);
    row("refused without one", FtpError::ServerRefused, CURLE_QUOTE_ERROR, {}, false,
        u"The server refused the request (libcurl's words)."_s);
    row("unknown name", FtpError::NameNotResolved, CURLE_COULDNT_RESOLVE_HOST, {}, false,
        u"The server name \"ftp.example\" could not be found."_s);
    row("log-on with a reply", FtpError::LogOnRefused, CURLE_LOGIN_DENIED, u"530 Login incorrect"_s, false,
        u"The server refused the log-on: 530 Login incorrect"_s);
    row("log-on without one", FtpError::LogOnRefused, CURLE_LOGIN_DENIED, {}, false,
        u"The server refused the log-on."_s);
    row("no connection", FtpError::CannotConnect, CURLE_COULDNT_CONNECT, {}, false,
        u"Cannot connect to ftp.example on port 2121."_s);
    row("aborted with a reply", FtpError::ConnectionAborted, CURLE_RECV_ERROR, u"421 Timeout"_s, false,
        u"The connection to the server was aborted: 421 Timeout"_s);
    row("aborted over FTP", FtpError::ConnectionAborted, CURLE_RECV_ERROR, {}, false,
        u"The connection to the server was aborted."_s);
    row("aborted over SFTP", FtpError::ConnectionAborted, CURLE_SSH, {}, true,
        u"The connection to the server was aborted: the server closed it (libcurl's words)."_s);
    row("no TLS offered", FtpError::SecureChannel, CURLE_USE_SSL_FAILED, {}, false,
        u"The server does not offer FTP over TLS, so the log on stopped before the password was sent: "
        "libcurl's words"_s);
    row("TLS failed", FtpError::SecureChannel, CURLE_SSL_CONNECT_ERROR, {}, false,
        u"A secure connection to the server could not be made: libcurl's words"_s);
    row("anything else", FtpError::Internal, CURLE_OUT_OF_MEMORY, {}, false, u"The request failed: libcurl's words."_s);
}

void TstFtpError::failureTexts()
{
    QFETCH(int, error);
    QFETCH(int, curlCode);
    QFETCH(QString, reply);
    QFETCH(bool, sftp);
    QFETCH(QString, text);
    const FtpFailureFacts facts{curlCode, reply, u"libcurl's words"_s, u"ftp.example"_s, 2121, 30, sftp};
    QCOMPARE(ftpFailureText(FtpError(error), facts), text);
}

void TstFtpError::passwordMasked_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");
    QTest::newRow("echoed") << u"s3cret"_s << u"530 Bad password **** for user"_s;
    QTest::newRow("too short to tell from words") << u"ss"_s << u"530 Bad password s3cret for user"_s;
    QTest::newRow("none") << QString() << u"530 Bad password s3cret for user"_s;
}

void TstFtpError::passwordMasked()
{
    QFETCH(QString, password);
    QFETCH(QString, text);
    QCOMPARE(withoutPassword(u"530 Bad password s3cret for user"_s, password), text);
}

QTEST_GUILESS_MAIN(TstFtpError)
#include "tst_ftp_error.moc"
