// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/published_store.h"
#include "platform/form.h"

#include <QPointer>
#include <QTimer>

#include <memory>

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
    void LinkSetCheck_Checked(qint64 id, const LinkCheckResult& result);
    void LinkSetCheck_Finished();

    // The selected rows, top to bottom.
    QList<int> selectedRows() const;
    void selection_Change();
    // The outcomes come faster than one write each: they are kept a few at a time.
    void saveChecks();
    void endCheck();
    void showSummary();
    // Filters of one or two letters are found in memory, in a copy of the texts read in the background.
    void buildShortFilterIndex();
    // The address of a row as "Copy Links" gives it: in the FTP window's tag form while that window is open.
    QString linkText(const PublishedRecord& record) const;

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

    std::unique_ptr<PublishedStore> m_store;
    PublishedModel* m_model = nullptr;
    std::unique_ptr<LinkSetCheck> m_check;
    QList<PublishedCheck> m_unsaved;
    QTimer m_saveTimer;
    bool m_saveFailureShown = false;
    int m_indexGeneration = 0;
    std::vector<QPointer<QThread>> m_indexBuilds;
};

} // namespace lumaport
