// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/forms.h"

#include "ftp_window/frm_ftp.h"
#include "local_choice/local_choice.h"
#include "main_window/frm_load.h"
#include "platform/services.h"
#include "preview/frm_preview.h"
#include "published_window/frm_published.h"
#include "save_picture/frm_savpic.h"
#include "session/publishing_session.h"
#include "startup/frm_about.h"
#include "startup/frm_splash.h"
#include "transfer/internet_transfer.h"

namespace lumaport {

Forms::Forms(Services& services, TransferFactory makeTransfer)
    : m_services(services), m_makeTransfer(std::move(makeTransfer)), m_local(std::make_unique<LocalChoice>()),
      m_session(std::make_unique<PublishingSession>(services, *m_local, m_makeTransfer))
{}

Forms::~Forms()
{
    // Windows reach each other through this registry; none may outlive it.
    delete m_splash.data();
    delete m_about.data();
    delete m_published.data();
    delete m_preview.data();
    delete m_savpic.data();
    delete m_ftp.data();
    delete m_load.data();
}

std::unique_ptr<InternetTransfer> Forms::makeTransfer() const
{
    return m_makeTransfer();
}

template <class W> W& Forms::reference(QPointer<W>& slot)
{
    if (slot)
        return *slot;
    auto* window = new W(*this);
    slot = window;
    window->setDestroyer([&slot](Form* form) {
        slot.clear();
        form->hide();
        form->deleteLater();
    });
    // The slot is set first: a load handler may refer to its own window.
    window->Form_Load();
    return *window;
}

frmSplash& Forms::frmSplash()
{
    return reference(m_splash);
}
frmload& Forms::frmload()
{
    return reference(m_load);
}
frmsavpic& Forms::frmsavpic()
{
    return reference(m_savpic);
}
frmPreview& Forms::frmPreview()
{
    return reference(m_preview);
}
frmftp& Forms::frmftp()
{
    return reference(m_ftp);
}
frmAbout& Forms::frmAbout()
{
    return reference(m_about);
}
frmPublished& Forms::frmPublished()
{
    return reference(m_published);
}

void Forms::endProgram()
{
    if (m_ftp)
        m_ftp->abandonRequest();
    m_services.endProgram();
}

bool Forms::isLoaded(const QString& formName) const
{
    const QWidget* windows[] = {m_splash, m_load, m_savpic, m_preview, m_ftp, m_about, m_published};
    for (const QWidget* window : windows) {
        if (window && window->objectName() == formName)
            return true;
    }
    return false;
}

} // namespace lumaport
