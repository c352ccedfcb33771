// SPDX-License-Identifier: GPL-3.0-or-later
// Where a file the history kept lies on its server, named again exactly, so a delete removes that file and
// never a namesake in another folder. No widgets.
#pragma once

#include <QString>

#include <optional>

namespace lumaport {

struct PublishedRecord;

struct PublishedPlace
{
    QString server;        ///< the server text to log on with, a bucket's or share's folder included
    bool byFolder = false; ///< a bucket or share: its commands take a bare name, so the folder is entered first
    QString folder;        ///< from the log-on folder, or from the server text's folder; "" or ending in "/"
    QString name;

    /// The path a command names from the log-on folder: "2026/photo.jpg".
    QString path() const { return folder + name; }
};

/// The place of a row's file. A bucket's or share's row kept without the bucket and folder of its server text
/// (by older copies of the program) could name a namesake elsewhere: it fails, with a sentence for the user.
std::optional<PublishedPlace> publishedPlace(const PublishedRecord& record, QString* why);

/// The folder to enter from one folder below the log-on folder to reach another: "../" a level up, then down.
QString folderRoute(const QString& from, const QString& to);

} // namespace lumaport
