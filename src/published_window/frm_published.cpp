// SPDX-License-Identifier: GPL-3.0-or-later
// The history window: the table of every file sent, a filter over it, and the commands on the chosen rows.
#include "published_window/frm_published.h"

#include "ftp_window/frm_ftp.h"
#include "history/published_model.h"
#include "history/published_place.h"
#include "platform/options_file.h"
#include "platform/password_keyring.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "publish/link_check.h"
#include "publish/link_set_check.h"
#include "publish/server_profile.h"
#include "session/publisher.h"
#include "session/publishing_session.h"
#include "startup/forms.h"
#include "transfer/ftp_command.h"
#include "transfer/ftp_error.h"
#include "transfer/ftp_server_address.h"
#include "transfer/internet_transfer.h"
#include "transfer/trusted_servers.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
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
const QString kCopyFormKey = u"Published/CopyForm"_s;
const QString kBuiltForm = u"built"_s;
const QString kDeleteTitle = u"Delete from Server"_s;
// As the FTP window waits for its server.
constexpr int kRequestTimeoutSeconds = 40;
// Outcomes are written together at most this often.
constexpr int kSaveEveryMs = 250;
constexpr int kShowEveryMs = 50;

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
    cmdDeleteRemote = addCommand(this, "cmdDeleteRemote", u"Delete from Server..."_s);
    cmdDeleteRemote->setToolTip(u"Deletes the files and their thumbnails from the server; the rows stay, marked"_s);
    cmdClose = addCommand(this, "cmdClose", u"Close"_s);
    cboCopyForm = new QComboBox(this);
    cboCopyForm->setObjectName(u"cboCopyForm"_s);
    cboCopyForm->setAccessibleName(u"Copy links as"_s);
    cboCopyForm->setToolTip(u"The form \"Copy Links\" copies"_s);
    cboCopyForm->addItem(u"As Built"_s, kBuiltForm);
    cboCopyForm->addItem(u"Address"_s, linkStyleKey(LinkStyle::Bare));
    cboCopyForm->addItem(u"Tags"_s, linkStyleKey(LinkStyle::Tags));
    cboCopyForm->addItem(u"Markdown"_s, linkStyleKey(LinkStyle::Markdown));
    cboCopyForm->addItem(u"HTML"_s, linkStyleKey(LinkStyle::Html));

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
    commandRow->addWidget(cmdCopyLinks);
    commandRow->addWidget(cboCopyForm);
    for (QPushButton* button : {cmdOpenLink, cmdCheckLinks})
        commandRow->addWidget(button);
    commandRow->addStretch(1);
    commandRow->addWidget(cmdDeleteRemote);
    commandRow->addWidget(cmdForget);
    commandRow->addWidget(cmdClose);
    layout->addLayout(commandRow);

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveEveryMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &frmPublished::saveChecks);
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(kShowEveryMs);
    connect(&m_showTimer, &QTimer::timeout, this, &frmPublished::showChecks);
    connect(txtPublishedFilter, &QLineEdit::textChanged, this, &frmPublished::txtPublishedFilter_Change);
    connect(cmdCopyLinks, &QPushButton::clicked, this, &frmPublished::cmdCopyLinks_Click);
    connect(cmdOpenLink, &QPushButton::clicked, this, &frmPublished::cmdOpenLink_Click);
    connect(cmdCheckLinks, &QPushButton::clicked, this, &frmPublished::cmdCheckLinks_Click);
    connect(cmdCancelCheck, &QPushButton::clicked, this, &frmPublished::cmdCancelCheck_Click);
    connect(cmdForget, &QPushButton::clicked, this, &frmPublished::cmdForget_Click);
    connect(cmdDeleteRemote, &QPushButton::clicked, this, &frmPublished::cmdDeleteRemote_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmPublished::cmdClose_Click);
    connect(tblPublished, &QTableView::doubleClicked, this, &frmPublished::cmdOpenLink_Click);
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &frmPublished::cmdClose_Click);
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
    tblPublished->setIconSize({PublishedModel::kThumbnailSide, PublishedModel::kThumbnailSide});
    tblPublished->verticalHeader()->setDefaultSectionSize(
        std::max(tblPublished->fontMetrics().height(), int(PublishedModel::kThumbnailSide)) + 4);
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
    const QList<int> defaults{125, 210, 330, 75};
    const int form = cboCopyForm->findData(options.value(kCopyFormKey).toString());
    cboCopyForm->setCurrentIndex(std::max(form, 0));
    connect(cboCopyForm, &QComboBox::currentIndexChanged, this, &frmPublished::cboCopyForm_Change);
    for (int column = 0; column < PublishedModel::Check; ++column) {
        const int width = widths.value(column).toInt();
        tblPublished->setColumnWidth(column, width > 0 ? width : defaults.at(column));
    }
    connect(&m_forms.session(), &PublishingSession::historyRecorded, this, &frmPublished::reload);
    reload();
}

void frmPublished::Form_Unload(bool& cancel)
{
    // A delete that runs goes on to its end, and says how it went.
    if (m_deleting) {
        cancel = true;
        return;
    }
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
    cmdForget->setEnabled(chosen && !m_check && !m_deleting);
    cmdDeleteRemote->setEnabled(chosen && !m_check && !m_deleting);
}

QList<int> frmPublished::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : tblPublished->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

TagFields frmPublished::rowFields(const PublishedRecord& record) const
{
    TagFields fields;
    takeAddress(record.address, &fields);
    const PublishingSession& session = m_forms.session();
    fields.keyword = session.text(SessionText::Keyword);
    fields.linkText = session.text(SessionText::LinkText);
    fields.openingTag = session.text(SessionText::OpeningTag);
    fields.closingTag = session.text(SessionText::ClosingTag);
    fields.hasThumbnail = !record.thumbnailAddress.isEmpty();
    // A thumbnail sent with the file is what a post should show of it.
    fields.thumbnailChosen = true;
    return fields;
}

QString frmPublished::linkText(const PublishedRecord& record) const
{
    const QString form = cboCopyForm->currentData().toString();
    if (form == kBuiltForm) {
        if (!record.link.isEmpty())
            return record.link;
        if (!m_forms.isLoaded(u"frmftp"_s) || !m_forms.frmftp().isVisible())
            return record.address;
        return taggedAddress(rowFields(record)).text;
    }
    const LinkStyle style = linkStyleFromKey(form).value_or(LinkStyle::Bare);
    if (style == LinkStyle::Bare)
        return record.address;
    TagFields fields = rowFields(record);
    fields.style = style;
    return taggedAddress(fields).text;
}

void frmPublished::cboCopyForm_Change()
{
    QString error;
    if (!writeOptions(programOptionsPath(m_forms.services().programFolder()),
                      {{kCopyFormKey, cboCopyForm->currentData()}}, &error))
        m_forms.services().messageBox(error, QString(), MsgIcon::Exclamation);
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
    const PublishedCheck check{id, result.verdict(), result.text, QDateTime::currentDateTimeUtc()};
    m_unshown << check;
    m_unsaved << check;
    if (!m_showTimer.isActive())
        m_showTimer.start();
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
}

void frmPublished::showChecks()
{
    m_showTimer.stop();
    if (m_unshown.isEmpty())
        return;
    prgCheckLinks->setValue(prgCheckLinks->value() + int(m_unshown.size()));
    m_model->setChecks(std::exchange(m_unshown, {}));
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
    showChecks();
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

void frmPublished::cmdClose_Click()
{
    close();
}

void frmPublished::cmdDeleteRemote_Click()
{
    // One log-on for each server and user, in the order the rows are shown.
    QList<QList<Deletion::Row>> groups;
    QStringList unplaced;
    for (const int row : selectedRows()) {
        const PublishedRecord& record = m_model->record(row);
        if (record.deletedAt.isValid())
            continue;
        QString why;
        const std::optional<PublishedPlace> place = publishedPlace(record, &why);
        if (!place) {
            unplaced << why;
            continue;
        }
        const auto group = std::find_if(groups.begin(), groups.end(), [&record](const QList<Deletion::Row>& rows) {
            return rows.first().record.server == record.server && rows.first().record.user == record.user;
        });
        if (group == groups.end())
            groups.append({{record, *place}});
        else
            group->append({record, *place});
    }
    if (!unplaced.isEmpty())
        m_forms.services().messageBox(unplaced.join(u"\r\n"_s), kDeleteTitle, MsgIcon::Exclamation);
    m_deleting = true;
    selection_Change();
    m_deletion.servers = groups;
    m_deletion.passwords.clear();
    deleteNextServer();
}

void frmPublished::deleteNextServer()
{
    Services& services = m_forms.services();
    if (m_deletion.servers.isEmpty()) {
        m_deleting = false;
        m_deletion.passwords.clear();
        reload();
        return;
    }
    const QList<Deletion::Row> rows = m_deletion.servers.takeFirst();
    const PublishedRecord& first = rows.first().record;
    QStringList names;
    QList<FileToDelete> files;
    for (const Deletion::Row& row : rows) {
        const bool withThumbnail = !row.record.thumbnailAddress.isEmpty();
        files << FileToDelete{row.place, withThumbnail};
        names << row.place.path();
        if (withThumbnail)
            names << row.place.folder + thumbnailName(row.place.name);
    }
    constexpr qsizetype kNamed = 10;
    QString listed = names.mid(0, kNamed).join(u"\r\n"_s);
    if (names.size() > kNamed)
        listed += u"\r\nand %1 more"_s.arg(names.size() - kNamed);
    const MsgAnswer answer = services.messageBox(
        u"Delete from %1 as %2:\r\n%3\r\n\r\nThe files go from the server; the history keeps their rows, marked "
        u"Deleted."_s.arg(first.server, first.user, listed),
        kDeleteTitle, MsgIcon::Question, MsgButtons::YesNoDefaultNo);
    const QString password = answer == MsgAnswer::Yes ? passwordFor(first) : QString();
    std::unique_ptr<InternetTransfer> transfer = password.isEmpty() ? nullptr : m_forms.makeTransfer();
    if (!transfer) {
        deleteNextServer();
        return;
    }
    auto* publisher =
        new Publisher(std::move(transfer), {first.server, first.user, password, kRequestTimeoutSeconds}, this);
    connect(publisher, &Publisher::trustAsked, this, [publisher, &services](const ServerIdentity& identity) {
        publisher->answerTrust(services.messageBox(trustQuestion(identity), u"Security Warning"_s, MsgIcon::Exclamation,
                                                   MsgButtons::YesNoDefaultNo) == MsgAnswer::Yes);
    });
    connect(publisher, &Publisher::deleting, this, [this, files, first](qsizetype index) {
        lblPublishedSummary->setText(u"Deleting %1 from %2"_s.arg(files[index].place.name, first.server));
    });
    connect(publisher, &Publisher::deletesEnded, this, [this, publisher, rows](const DeleteOutcome& outcome) {
        // Gone once the event loop is back: this runs inside the publisher's own continuation.
        publisher->cancel();
        publisher->deleteLater();
        QList<qint64> deleted;
        for (const qsizetype index : outcome.deleted)
            deleted << rows[index].record.id;
        QStringList refused = outcome.refused;
        QString error;
        if (!deleted.isEmpty() && !m_store->markDeleted(deleted, QDateTime::currentDateTimeUtc(), &error))
            refused << u"The history \"%1\" could not be changed: %2"_s.arg(m_store->path(), error);
        if (!deleted.isEmpty())
            Q_EMIT m_forms.session().filesDeleted(rows.first().record.server);
        if (!refused.isEmpty())
            m_forms.services().messageBox(u"%1 of %2 deleted from %3.\r\n"_s.arg(deleted.size())
                                                  .arg(rows.size())
                                                  .arg(rows.first().record.server) +
                                              refused.join(u"\r\n"_s),
                                          kDeleteTitle, MsgIcon::Exclamation);
        deleteNextServer();
    });
    publisher->deleteFiles(files);
}

QString frmPublished::passwordFor(const PublishedRecord& record)
{
    Services& services = m_forms.services();
    FtpServerAddress recordAddress;
    QString ignored;
    // A password goes with the server and user, whatever bucket or folder of it a row names.
    const QString server =
        parseFtpServerAddress(record.server, &recordAddress, &ignored) ? recordAddress.name() : record.server;
    const QString key = server + u'\n' + record.user;
    if (const auto typed = m_deletion.passwords.constFind(key); typed != m_deletion.passwords.constEnd())
        return *typed;
    const auto names = [&server, &record](const QString& text, const QString& user) {
        FtpServerAddress address;
        QString ignored;
        return parseFtpServerAddress(text, &address, &ignored) && address.name() == server &&
               (user.isEmpty() ? u"anonymous"_s : user) == record.user;
    };
    const PublishingSession& session = m_forms.session();
    const bool inKeyring = session.passwordsInKeyring();
    const auto keyring = [inKeyring](const QString& server, const QString& user) {
        std::optional<QString> password;
        QString ignored;
        if (inKeyring)
            lookupKeyringPassword(server, user, &password, &ignored);
        return password.value_or(QString());
    };
    QList<QStringList> known{
        {session.text(SessionText::Server), session.text(SessionText::UserName), session.text(SessionText::Password)}};
    QStringList profile;
    if (readServerProfile(defaultProfilePath(services.programFolder()), &profile, &ignored) && profile.size() >= 3)
        known << profile;
    for (const QStringList& lines : std::as_const(known)) {
        if (!names(lines[0], lines[1]))
            continue;
        const QString password = lines[2].isEmpty() ? keyring(lines[0], lines[1]) : lines[2];
        if (!password.isEmpty())
            return password;
    }
    const QString typed =
        services.passwordBox(u"The password of %1 on %2:"_s.arg(record.user, record.server), kDeleteTitle);
    if (!typed.isEmpty())
        m_deletion.passwords.insert(key, typed);
    return typed;
}

void frmPublished::showSummary()
{
    const PublishedSummary summary = m_store->summary();
    const QLocale locale;
    QString text = u"%1 published \u00b7 %2 links work \u00b7 %3 broken"_s.arg(
        locale.toString(summary.published), locale.toString(summary.works), locale.toString(summary.broken));
    if (summary.changed > 0)
        text += u" \u00b7 %1 changed"_s.arg(locale.toString(summary.changed));
    if (summary.deleted > 0)
        text += u" \u00b7 %1 deleted"_s.arg(locale.toString(summary.deleted));
    lblPublishedSummary->setText(text);
}

} // namespace lumaport
