// SPDX-License-Identifier: GPL-3.0-or-later
// Files chosen other than by clicking: dropped from a file manager, or pasted ("Edit > Paste Picture", Ctrl+V)
// as a file manager's copy or as a picture a screenshot tool left on the clipboard.
#include "main_window/frm_load.h"

#include "local_choice/pasted_picture.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"
#include "platform/services.h"
#include "startup/forms.h"
#include "widgets/file_list.h"

#include <QBuffer>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

namespace lumaport {

namespace {

// The local files a drop or a paste names; none when it names anything else.
QStringList localFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

void frmload::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmload::dropEvent(QDropEvent* event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    chooseFiles(paths);
}

void frmload::mnuPaste_Click()
{
    const QMimeData* data = m_forms.services().clipboardData();
    if (const QStringList paths = localFiles(data); !paths.isEmpty()) {
        chooseFiles(paths);
        return;
    }
    if (data && data->hasImage()) {
        pastePicture(qvariant_cast<QImage>(data->imageData()));
        return;
    }
    lblStatus->setText(QStringLiteral("Nothing to paste: the clipboard holds no picture and no files."));
}

bool frmload::pastePicture(const QImage& picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG")) {
        lblStatus->setText(QStringLiteral("The picture on the clipboard could not be read."));
        return false;
    }
    const QString folder = File1->path();
    const QDateTime now = QDateTime::currentDateTime();
    QString path;
    QString error;
    // A file of the same name, made meanwhile too, is never replaced: the next name is tried.
    for (int attempt = 1; path.isEmpty() && attempt <= 100; ++attempt) {
        const QString candidate = joinPath(folder, pastedPictureName(now, attempt));
        if (QFileInfo::exists(candidate))
            continue;
        ReplacingFile file;
        bool exists = false;
        if (!file.open(candidate, &error) || !file.write(png.constData(), png.size(), &error) ||
            !file.commit(&error, ReplacingFile::Commit::KeepExisting, &exists)) {
            if (exists)
                continue;
            lblStatus->setText(QStringLiteral("The pasted picture could not be saved: ") + error);
            return false;
        }
        path = candidate;
    }
    if (path.isEmpty())
        return false;
    // Choosing it switches to a kind that lists it; the kind shown may list it already, in a listing made before.
    File1->refresh();
    return chooseFile(path);
}

} // namespace lumaport
