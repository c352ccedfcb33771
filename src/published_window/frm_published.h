// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/published_place.h"
#include "history/published_store.h"
#include "publish/link_address.h"
#include "widgets/form.h"

#include <QHash>
#include <QPointer>
#include <QTimer>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;

namespace lumaport {

class Forms;
class LinkSetCheck;
class PublishedModel;
struct LinkCheckResult;

/// "Published": every file sent, newest first, with its link checked again on request.
class frmPublished : public Form
{
    Q_OBJECT
public:
    explicit frmPublished(Forms& forms);
    ~frmPublished() override;

    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

    /// Reads the history again: a send was kept meanwhile.
    void reload();

private:
    void txtPublishedFilter_Change();
    void cmdCopyLinks_Click();
    void cmdOpenLink_Click();
    void cmdCheckLinks_Click();
    void cmdCancelCheck_Click();
    void cmdForget_Click();
    void cmdDeleteRemote_Click();
    void cmdClose_Click();
    void cboCopyForm_Change();
    void LinkSetCheck_Checked(qint64 id, const LinkCheckResult& result);
    void LinkSetCheck_Finished();

    // The selected rows, top to bottom.
    QList<int> selectedRows() const;
    void selection_Change();
    // The outcomes come faster than one write each: they are kept a few at a time.
    void saveChecks();
    // The table and the bar follow the answers a few times a second, not once an answer.
    void showChecks();
    void endCheck();
    void showSummary();
    // Filters of one or two letters are found in memory, in a copy of the texts read in the background.
    void buildShortFilterIndex();
    // The address of a row as "Copy Links" gives it, in the form chosen beside it. "As Built" is the link the FTP
    // window built for the send; for rows kept before links were, the FTP window's tag form while that window is
    // open, else the address.
    QString linkText(const PublishedRecord& record) const;
    // The session's tag fields, for a row's address.
    TagFields rowFields(const PublishedRecord& record) const;

    // The rows of the next server and user, after asking: their files are deleted over one log-on and the rows
    // marked deleted; with none left, the delete is over.
    void deleteNextServer();
    // The password of the row's server and user: the session's or the fixed profile's when either names them
    // (or the keyring's for them), else one typed for them during this delete, else asked for. Empty: the user
    // cancelled.
    QString passwordFor(const PublishedRecord& record);

    Forms& m_forms;
    QLineEdit* txtPublishedFilter;
    QTableView* tblPublished;
    QLabel* lblPublishedSummary;
    QProgressBar* prgCheckLinks;
    QPushButton* cmdCancelCheck;
    QPushButton* cmdCopyLinks;
    QPushButton* cmdOpenLink;
    QPushButton* cmdCheckLinks;
    QPushButton* cmdForget;
    QPushButton* cmdDeleteRemote;
    QPushButton* cmdClose;
    QComboBox* cboCopyForm;

    std::unique_ptr<PublishedStore> m_store;
    PublishedModel* m_model = nullptr;
    std::unique_ptr<LinkSetCheck> m_check;
    QList<PublishedCheck> m_unsaved;
    QTimer m_saveTimer;
    QList<PublishedCheck> m_unshown;
    QTimer m_showTimer;
    bool m_saveFailureShown = false;
    bool m_deleting = false; // the window waits for the server: it stays open
    // What a delete has still to do: the rows of each server and user.
    struct Deletion
    {
        struct Row
        {
            PublishedRecord record;
            PublishedPlace place;
        };
        QList<QList<Row>> servers;         // still to do
        QHash<QString, QString> passwords; // typed during this delete, by server and user
    };
    Deletion m_deletion;
    int m_indexGeneration = 0;
    std::vector<QPointer<QThread>> m_indexBuilds;
};

} // namespace lumaport
