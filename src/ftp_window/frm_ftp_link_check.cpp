// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's link check: after every send and every built address, the address is fetched from the web
// side in the background and the outcome shown under it, in plain words. It can be turned off from the label's
// context menu; that choice lives in the program's own settings file beside the directory settings.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"

#include "platform/options_file.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "publish/link_check.h"
#include "publish/link_set_check.h"
#include "startup/forms.h"
#include "transfer/ftp_command.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kLinkCheckKey = u"LinkCheck/Enabled"_s;

} // namespace

void frmftp::setUpLinkCheck()
{
    // Under the address, where the progress bar shows during a transfer.
    lblLinkCheck = addLabel(this, "lblLinkCheck", QString(), {240, 6330, 9375, 255});
    lblLinkCheck->setAccessibleName(u"Link check"_s);
    mnuLinkCheck = new QAction(u"Check links from the web side"_s, lblLinkCheck);
    mnuLinkCheck->setObjectName(u"mnuLinkCheck"_s);
    mnuLinkCheck->setCheckable(true);
    const QVariantMap options = readOptions(programOptionsPath(m_forms.services().programFolder()));
    mnuLinkCheck->setChecked(options.value(kLinkCheckKey, true).toBool());
    lblLinkCheck->addAction(mnuLinkCheck);
    lblLinkCheck->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(mnuLinkCheck, &QAction::toggled, this, &frmftp::mnuLinkCheck_Toggled);
}

void frmftp::mnuLinkCheck_Toggled(bool on)
{
    QString error;
    if (!writeOptions(programOptionsPath(m_forms.services().programFolder()), {{kLinkCheckKey, on}}, &error))
        m_forms.services().messageBox(error, QString(), MsgIcon::Exclamation);
    if (!on)
        stopLinkCheck();
}

void frmftp::checkSentLink(const QString& name)
{
    const QString folderAddress = txtfolder->text().isEmpty() ? txtpermurl->text() : txtserverurl->text();
    startLinkCheck(folderAddress, name, m_sentSize, true);
    if (m_linkCheck)
        m_verdictAddress = bareAddress(folderAddress, name, txtpermurl->text());
    if (m_linkCheck && m_sentThumbnailSize >= 0)
        m_thumbnailCheck = ThumbnailCheck{folderAddress, thumbnailName(name), m_sentThumbnailSize};
}

void frmftp::checkBuiltLink(const QString& name, bool localFile, bool withThumbnail)
{
    const QFileInfo file(joinPath(fraLocalFiles->folder(), name));
    startLinkCheck(m_session.text(SessionText::UrlName), name, localFile && file.isFile() ? file.size() : -1, false);
    // The thumbnail's size is known only right after it was sent.
    if (m_linkCheck && withThumbnail)
        m_thumbnailCheck = ThumbnailCheck{m_session.text(SessionText::UrlName), thumbnailName(name), -1};
}

void frmftp::startLinkCheck(const QString& urlName, const QString& name, qint64 expectedSize, bool afterSend)
{
    stopLinkCheck();
    // A folder or no file at all has no picture to check.
    if (!mnuLinkCheck->isChecked() || name.isEmpty() || name.endsWith(u'/'))
        return;
    if (!namesTypedHost(urlName, txtpermurl->text())) {
        showNoWebAddress();
        return;
    }
    const QString address = bareAddress(urlName, name, txtpermurl->text());
    m_checkedSend = afterSend ? name : QString();
    showLinkCheck(u"Checking "_s + address, palette().color(QPalette::WindowText));
    m_linkCheck = std::make_unique<LinkCheck>(LinkCheckRequest{address, expectedSize, isPictureName(name)});
    connect(m_linkCheck.get(), &LinkCheck::finished, this, &frmftp::LinkCheck_Finished);
    connect(m_linkCheck.get(), &LinkCheck::alsoServedOverHttps, this, [this] {
        showLinkCheck(lblLinkCheck->toolTip() + u"; also served over https: forum pages need it"_s,
                      lblLinkCheck->palette().color(QPalette::WindowText));
    });
}

void frmftp::showNoWebAddress()
{
    showLinkCheck(u"No web address is set, so no link is checked: type the web server's name under "
                  u"\"Permanente URL\"."_s,
                  palette().color(QPalette::WindowText));
}

void frmftp::stopLinkCheck()
{
    m_linkCheck.reset();
    m_linkSetCheck.reset();
    m_thumbnailCheck.reset();
    m_pictureOutcome.clear();
    m_verdictAddress.clear();
    m_checkedRows.clear();
    showLinkCheck(QString(), palette().color(QPalette::WindowText));
}

void frmftp::LinkCheck_Finished(const LinkCheckResult& result)
{
    const bool thumbnailChecked = !m_pictureOutcome.isEmpty();
    const QString text = thumbnailChecked ? m_pictureOutcome + u"; thumbnail: "_s + result.text : result.text;
    const bool works = result.works && (!thumbnailChecked || m_pictureWorks);
    showLinkCheck(text, verdictColour(works ? LinkVerdict::Works : LinkVerdict::Broken));
    const QString verdictAddress = std::exchange(m_verdictAddress, QString());
    if (const auto thumbnail = std::exchange(m_thumbnailCheck, std::nullopt); thumbnail && result.httpCode != 403) {
        // Started from inside this check's signal: the finished check goes once the event loop is back.
        m_linkCheck->cancel();
        m_linkCheck.release()->deleteLater();
        startLinkCheck(thumbnail->urlName, thumbnail->name, thumbnail->expectedSize, false);
        m_verdictAddress = verdictAddress;
        m_pictureOutcome = text;
        m_pictureWorks = result.works;
        showLinkCheck(text + u"; checking the thumbnail"_s, lblLinkCheck->palette().color(QPalette::WindowText));
        return;
    }
    keepLinkVerdict(verdictAddress, works, result.sizeDiffers, text);
    const QString sent = std::exchange(m_checkedSend, QString());
    if (result.httpCode != 403 || sent.isEmpty() || !loggedOn())
        return;
    // Nothing more is wanted of this check, and what follows may start another one or log off while still
    // inside its signal: it goes once the event loop is back.
    m_linkCheck->cancel();
    m_linkCheck.release()->deleteLater();
    makeReadable({sent}, [this, sent] { checkSentLink(sent); });
}

void frmftp::makeReadable(const QStringList& unreadable, std::function<void()> then)
{
    const bool one = unreadable.size() == 1;
    const MsgAnswer answer = m_forms.services().messageBox(
        u"The web server may not read "_s +
            (one ? unreadable.first() : u"%1 of the files sent"_s.arg(unreadable.size())) +
            (one ? u".\r\nMake it readable by everyone and check again?"_s
                 : u".\r\nMake them readable by everyone and check again?"_s),
        u"Link Check"_s, MsgIcon::Question, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes)
        return;
    QStringList commands;
    for (const QString& name : unreadable)
        commands.append(u"CHMOD "_s + quotedName(name));
    // The listing after the send may still be on its way.
    waitUntilIdle([this, commands, then = std::move(then)] {
        if (loggedOn())
            runInTurn(commands, then);
    });
}

void frmftp::showLinkCheck(const QString& text, const QColor& colour, const QString& details)
{
    lblLinkCheck->setText(lblLinkCheck->fontMetrics().elidedText(text, Qt::ElideRight, lblLinkCheck->width()));
    lblLinkCheck->setToolTip(details.isEmpty() ? text : details);
    lblLinkCheck->setAccessibleDescription(details.isEmpty() ? text : details);
    QPalette palette = lblLinkCheck->palette();
    palette.setColor(QPalette::WindowText, colour);
    lblLinkCheck->setPalette(palette);
}

} // namespace lumaport
