// SPDX-License-Identifier: GPL-3.0-or-later
// What "lumaport publish" is asked to do, read off its command line before anything is read or sent.
#pragma once

#include "picture_prep/picture_choices.h"
#include "publish/link_forms.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace lumaport {

struct PublishOptions
{
    QStringList files;
    QString profile;
    std::optional<QString> server;
    std::optional<QString> user;
    QString folder; ///< under the log-on folder; empty: the log-on folder
    std::optional<QString> webAddress;
    LinkStyle form = LinkStyle::Bare;
    QString alt;
    PictureChoices choices;         ///< nothing is done to a picture unless asked for here
    bool publicSends = false;       ///< files sent to a bucket are readable by everyone, this time
    std::optional<int> connections; ///< none given: the options file's, as the FTP window reads it
    bool json = false;
    bool sendAgain = false;
    bool copy = false;   ///< the block stays on the clipboard after the command ends
    bool notify = false; ///< the desktop tells how it went, with a way to the history
    QString trust;       ///< the fingerprint of a certificate or host key to trust
};

enum class PublishRequest { Publish, Help, Refused };

/// Reads the arguments that follow "publish"; Refused with a sentence for the user in *error.
PublishRequest readPublishOptions(const QStringList& arguments, PublishOptions* options, QString* error);

/// What --help prints.
QString publishHelp();

} // namespace lumaport
