// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's part in the link checks the session runs: which address a builder's check follows, and the
// files a check after a send found unreadable, which the window offers to make readable over its connection.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"

#include "platform/paths.h"
#include "platform/services.h"
#include "session/link_checks.h"
#include "session/publisher.h"
#include "startup/forms.h"

#include <QFileInfo>

namespace lumaport {

using namespace Qt::StringLiterals;

void frmftp::setUpLinkCheck()
{
    connect(&m_session.linkChecks(), &LinkChecks::unreadable, this, [this](const QStringList& unreadable) {
        if (loggedOn())
            makeReadable(unreadable);
    });
}

void frmftp::checkBuiltLink(const QString& name, bool localFile, bool withThumbnail)
{
    const QFileInfo file(joinPath(fraLocalFiles->folder(), name));
    m_session.linkChecks().checkBuilt(name, localFile && file.isFile() ? file.size() : -1, withThumbnail);
}

void frmftp::makeReadable(const QStringList& unreadable)
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
    // The listing after the send may still be on its way.
    waitUntilIdle([this, unreadable] {
        if (loggedOn())
            m_publisher->makeReadable(unreadable, this, held([this](bool replied) {
                                          if (replied)
                                              m_session.linkChecks().checkAgain();
                                      }));
    });
}

} // namespace lumaport
