// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows: each exists at most once, is created (and loaded) on first reference and
// forgotten on unload, so the next reference creates it afresh.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

namespace lumaport {

class Form;
class InternetTransfer;
class LocalChoice;
class PublishingSession;
class Services;
class frmAbout;
class frmftp;
class frmload;
class frmPreview;
class frmPublished;
class frmsavpic;
class frmSplash;

class Forms
{
public:
    using TransferFactory = std::function<std::unique_ptr<InternetTransfer>()>;

    /// The factory gives the FTP window its transfer component (tests pass a fake or a real one).
    Forms(Services& services, TransferFactory makeTransfer);
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    Services& services() const { return m_services; }
    std::unique_ptr<InternetTransfer> makeTransfer() const;
    /// What the windows show and hand over to each other; it outlives every window.
    PublishingSession& session() const { return *m_session; }
    LocalChoice& localChoice() const { return *m_local; }

    lumaport::frmSplash& frmSplash();
    lumaport::frmload& frmload();
    lumaport::frmsavpic& frmsavpic();
    lumaport::frmPreview& frmPreview();
    lumaport::frmftp& frmftp();
    lumaport::frmAbout& frmAbout();
    lumaport::frmPublished& frmPublished();

    /// Ends the program through the services; a running FTP request is abandoned, so that no wait for it holds
    /// the ending up.
    void endProgram();

    /// Whether the window of that name exists now, without creating it.
    bool isLoaded(const QString& formName) const;

private:
    template <class W> W& reference(QPointer<W>& slot);

    Services& m_services;
    TransferFactory m_makeTransfer;
    std::unique_ptr<LocalChoice> m_local;
    std::unique_ptr<PublishingSession> m_session;
    QPointer<lumaport::frmSplash> m_splash;
    QPointer<lumaport::frmload> m_load;
    QPointer<lumaport::frmsavpic> m_savpic;
    QPointer<lumaport::frmPreview> m_preview;
    QPointer<lumaport::frmftp> m_ftp;
    QPointer<lumaport::frmAbout> m_about;
    QPointer<lumaport::frmPublished> m_published;
};

} // namespace lumaport
