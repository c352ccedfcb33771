// SPDX-License-Identifier: GPL-3.0-or-later
// The history window: the table of every file sent, a filter over it, and the commands on the chosen rows.
#include "published_window/frm_published.h"

#include "ftp_window/frm_ftp.h"
#include "history/published_model.h"
#include "platform/options_file.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "publish/link_set_check.h"
#include "startup/forms.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QThread>
#include <QUrl>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kSizeKey = u"Published/Size"_s;
const QString kColumnsKey = u"Published/Columns"_s;
const QString kNoWebAddress = u"Sent with no web address set, so there is no link to open or check: type the web "
                              u"server's name under \"Permanente URL\" in the FTP window before sending."_s;
// Outcomes are written together at most this often.
constexpr int kSaveEveryMs = 250;

QPushButton* addCommand(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

frmPublished::frmPublished(Forms& forms) : Form(u"frmPublished"_s, u"Published"_s, 14700, 7800), m_forms(forms)
{
    auto* filterLabel = new QLabel(u"Filter:"_s, this);
    txtPublishedFilter = new QLineEdit(this);
    txtPublishedFilter->setObjectName(u"txtPublishedFilter"_s);
    txtPublishedFilter->setPlaceholderText(u"Name, address or folder"_s);
    txtPublishedFilter->setClearButtonEnabled(true);
    filterLabel->setBuddy(txtPublishedFilter);

    tblPublished = new QTableView(this);
    tblPublished->setObjectName(u"tblPublished"_s);
    tblPublished->setAccessibleName(u"Published files"_s);
    tblPublished->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPublished->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblPublished->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPublished->setWordWrap(false);
    tblPublished->setAlternatingRowColors(true);
    tblPublished->verticalHeader()->hide();
    // Every row is one line: the view need not measure each.
    tblPublished->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblPublished->horizontalHeader()->setStretchLastSection(true);
    tblPublished->horizontalHeader()->setHighlightSections(false);

    lblPublishedSummary = new QLabel(this);
    lblPublishedSummary->setObjectName(u"lblPublishedSummary"_s);
    prgCheckLinks = new QProgressBar(this);
    prgCheckLinks->setObjectName(u"prgCheckLinks"_s);
    prgCheckLinks->setAccessibleName(u"Links checked"_s);
    prgCheckLinks->setFormat(u"%v of %m"_s);
    prgCheckLinks->hide();
    cmdCancelCheck = addCommand(this, "cmdCancelCheck", u"Cancel"_s);
    cmdCancelCheck->hide();
    cmdCopyLinks = addCommand(this, "cmdCopyLinks", u"Copy Links"_s);
    cmdOpenLink = addCommand(this, "cmdOpenLink", u"Open in Browser"_s);
    cmdCheckLinks = addCommand(this, "cmdCheckLinks", u"Check Links"_s);
    cmdForget = addCommand(this, "cmdForget", u"Forget"_s);
    cmdForget->setToolTip(u"Removes the rows from the history; the files stay on the server"_s);

    auto* layout = new QVBoxLayout(this);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(txtPublishedFilter);
    layout->addLayout(filterRow);
    layout->addWidget(tblPublished, 1);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(lblPublishedSummary, 1);
    checkRow->addWidget(prgCheckLinks);
    checkRow->addWidget(cmdCancelCheck);
    layout->addLayout(checkRow);
    auto* commandRow = new QHBoxLayout;
    for (QPushButton* button : {cmdCopyLinks, cmdOpenLink, cmdCheckLinks})
        commandRow->addWidget(button);
    commandRow->addStretch(1);
    commandRow->addWidget(cmdForget);
    layout->addLayout(commandRow);

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveEveryMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &frmPublished::saveChecks);
    connect(txtPublishedFilter, &QLineEdit::textChanged, this, &frmPublished::txtPublishedFilter_Change);
    connect(cmdCopyLinks, &QPushButton::clicked, this, &frmPublished::cmdCopyLinks_Click);
    connect(cmdOpenLink, &QPushButton::clicked, this, &frmPublished::cmdOpenLink_Click);
    connect(cmdCheckLinks, &QPushButton::clicked, this, &frmPublished::cmdCheckLinks_Click);
    connect(cmdCancelCheck, &QPushButton::clicked, this, &frmPublished::cmdCancelCheck_Click);
    connect(cmdForget, &QPushButton::clicked, this, &frmPublished::cmdForget_Click);
    connect(tblPublished, &QTableView::doubleClicked, this, &frmPublished::cmdOpenLink_Click);
}

frmPublished::~frmPublished()
{
    m_check.reset();
    saveChecks();
    for (const QPointer<QThread>& build : m_indexBuilds) {
        if (build) {
            build->wait();
            delete build.data();
        }
    }
}

void frmPublished::Form_Load()
{
    Services& services = m_forms.services();
    m_store = std::make_unique<PublishedStore>(publishedHistoryPath(services.programFolder()));
    QString error;
    QString movedTo;
    const bool opened = m_store->open(&error, &movedTo);
    if (!movedTo.isEmpty())
        services.messageBox(damagedHistoryText(m_store->path(), movedTo), QString(), MsgIcon::Exclamation);
    if (!opened)
        services.messageBox(error, QString(), MsgIcon::Exclamation);

    m_model = new PublishedModel(*m_store, this);
    tblPublished->setModel(m_model);
    tblPublished->verticalHeader()->setDefaultSectionSize(tblPublished->fontMetrics().height() + 6);
    connect(tblPublished->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmPublished::selection_Change);

    const QVariantMap options = readOptions(programOptionsPath(services.programFolder()));
    const QSize size = options.value(kSizeKey).toSize();
    if (size.isValid())
        resize(size);
    // Centred at the size it had; the window's own layout keeps it, where a start-centred form shrinks to fit.
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    const QStringList widths = options.value(kColumnsKey).toStringList();
    const QList<int> defaults{125, 170, 330, 75};
    for (int column = 0; column < PublishedModel::Check; ++column) {
        const int width = widths.value(column).toInt();
        tblPublished->setColumnWidth(column, width > 0 ? width : defaults.at(column));
    }
    reload();
}

void frmPublished::Form_Unload(bool& cancel)
{
    Q_UNUSED(cancel);
    cmdCancelCheck_Click();
    QStringList widths;
    for (int column = 0; column < PublishedModel::Check; ++column)
        widths << QString::number(tblPublished->columnWidth(column));
    // A window closing is no time for a box: the sizes are a convenience.
    QString ignored;
    writeOptions(programOptionsPath(m_forms.services().programFolder()), {{kSizeKey, size()}, {kColumnsKey, widths}},
                 &ignored);
}

void frmPublished::reload()
{
    buildShortFilterIndex();
    m_model->reload();
    selection_Change();
    showSummary();
}

void frmPublished::buildShortFilterIndex()
{
    // Until the new copy is in, short filters read the table, which is always current.
    m_model->setShortFilterIndex(nullptr);
    if (!m_store->isOpen())
        return;
    const int generation = ++m_indexGeneration;
    auto built = std::make_shared<std::shared_ptr<const ShortFilterIndex>>();
    QThread* build = QThread::create([path = m_store->path(), built] { *built = ShortFilterIndex::build(path); });
    connect(build, &QThread::finished, this, [this, build, built, generation] {
        if (generation == m_indexGeneration)
            m_model->setShortFilterIndex(*built);
        build->deleteLater();
    });
    std::erase_if(m_indexBuilds, [](const QPointer<QThread>& done) { return done.isNull(); });
    m_indexBuilds.push_back(build);
    build->start();
}

void frmPublished::txtPublishedFilter_Change()
{
    m_model->setFilter(txtPublishedFilter->text());
    selection_Change();
}

void frmPublished::selection_Change()
{
    const bool chosen = tblPublished->selectionModel()->hasSelection();
    cmdCopyLinks->setEnabled(chosen);
    cmdOpenLink->setEnabled(chosen);
    cmdForget->setEnabled(chosen && !m_check);
}

QList<int> frmPublished::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : tblPublished->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString frmPublished::linkText(const PublishedRecord& record) const
{
    if (!m_forms.isLoaded(u"frmftp"_s) || !m_forms.frmftp().isVisible())
        return record.address;
    const frmftp& ftp = m_forms.frmftp();
    const qsizetype slash = record.address.lastIndexOf(u'/');
    TagFields fields;
    fields.urlName = record.address.left(slash + 1);
    fields.typedBase = fields.urlName;
    fields.fileName = QUrl::fromPercentEncoding(record.address.mid(slash + 1).toUtf8());
    fields.keyword = ftp.Text1->text();
    fields.linkText = ftp.Text2->text();
    fields.openingTag = ftp.txturl1->text();
    fields.closingTag = ftp.txturl2->text();
    fields.hasThumbnail = !record.thumbnailAddress.isEmpty();
    return taggedAddress(fields).text;
}

void frmPublished::cmdCopyLinks_Click()
{
    QStringList links;
    for (const int row : selectedRows()) {
        if (const PublishedRecord record = m_model->record(row); namesWebHost(record.address, record.remotePath))
            links << linkText(record);
    }
    if (!links.isEmpty())
        m_forms.services().setClipboardText(links.join(u'\n'));
}

void frmPublished::cmdOpenLink_Click()
{
    const QModelIndex current = tblPublished->currentIndex();
    if (!current.isValid())
        return;
    const PublishedRecord record = m_model->record(current.row());
    if (namesWebHost(record.address, record.remotePath))
        m_forms.services().openUrl(record.address);
    else
        lblPublishedSummary->setText(kNoWebAddress);
}

void frmPublished::cmdCheckLinks_Click()
{
    QList<PublishedRecord> targets;
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        targets = m_store->checkTargets(m_model->filter());
    } else {
        for (const int row : rows)
            targets << m_model->record(row);
    }
    QList<LinkSetItem> items;
    for (const PublishedRecord& record : targets) {
        if (namesWebHost(record.address, record.remotePath))
            items << LinkSetItem{record.id, {record.address, record.size, isPictureName(record.remotePath)}};
    }
    if (items.isEmpty()) {
        if (!targets.isEmpty())
            lblPublishedSummary->setText(kNoWebAddress);
        return;
    }
    prgCheckLinks->setRange(0, int(items.size()));
    prgCheckLinks->setValue(0);
    prgCheckLinks->show();
    cmdCancelCheck->show();
    cmdCheckLinks->setEnabled(false);
    cmdForget->setEnabled(false);
    m_check = std::make_unique<LinkSetCheck>(items);
    connect(m_check.get(), &LinkSetCheck::checked, this, &frmPublished::LinkSetCheck_Checked);
    connect(m_check.get(), &LinkSetCheck::finished, this, &frmPublished::LinkSetCheck_Finished);
}

void frmPublished::LinkSetCheck_Checked(qint64 id, const LinkCheckResult& result)
{
    const PublishedCheck check{id, checkStatusWord(result.works, result.sizeDiffers), result.text,
                               QDateTime::currentDateTimeUtc()};
    m_model->setCheck(check);
    m_unsaved << check;
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
    prgCheckLinks->setValue(prgCheckLinks->value() + 1);
}

void frmPublished::LinkSetCheck_Finished()
{
    // Its last signal is still on the way out: the check goes once the event loop is back.
    m_check.release()->deleteLater();
    endCheck();
}

void frmPublished::cmdCancelCheck_Click()
{
    if (!m_check)
        return;
    m_check.reset();
    endCheck();
}

void frmPublished::endCheck()
{
    saveChecks();
    prgCheckLinks->hide();
    cmdCancelCheck->hide();
    cmdCheckLinks->setEnabled(true);
    selection_Change();
    showSummary();
}

void frmPublished::saveChecks()
{
    m_saveTimer.stop();
    if (m_unsaved.isEmpty() || !m_store || !m_store->isOpen())
        return;
    QString error;
    if (!m_store->setChecks(std::exchange(m_unsaved, {}), &error) && !std::exchange(m_saveFailureShown, true))
        m_forms.services().messageBox(
            u"The outcome of the check could not be kept in \"%1\": %2"_s.arg(m_store->path(), error), QString(),
            MsgIcon::Exclamation);
}

void frmPublished::cmdForget_Click()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    const QString what = rows.size() == 1 ? publishedName(m_model->record(rows.first()).remotePath)
                                          : u"these %1 files"_s.arg(rows.size());
    const MsgAnswer answer = m_forms.services().messageBox(
        u"Forget %1?\r\nThe history forgets them; nothing changes on the server."_s.arg(what), u"Forget"_s,
        MsgIcon::Question, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes)
        return;
    QList<qint64> ids;
    for (const int row : rows)
        ids << m_model->record(row).id;
    QString error;
    if (!m_store->forget(ids, &error))
        m_forms.services().messageBox(u"The history \"%1\" could not be changed: %2"_s.arg(m_store->path(), error),
                                      QString(), MsgIcon::Exclamation);
    reload();
}

void frmPublished::showSummary()
{
    const PublishedSummary summary = m_store->summary();
    const QLocale locale;
    QString text = u"%1 published \u00b7 %2 links work \u00b7 %3 broken"_s.arg(
        locale.toString(summary.published), locale.toString(summary.works), locale.toString(summary.broken));
    if (summary.changed > 0)
        text += u" \u00b7 %1 changed"_s.arg(locale.toString(summary.changed));
    lblPublishedSummary->setText(text);
}

} // namespace lumaport
