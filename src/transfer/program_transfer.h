// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer component as the program makes it, for the windows and the command line alike.
#pragma once

#include "transfer/ftp_transfer.h"

#include <memory>

namespace lumaport {

/// Its options file in the program's settings folder, and its trust file there unless another is given.
std::unique_ptr<FtpTransfer> programTransfer(const QString& programFolder, const QString& trustFile = {});

} // namespace lumaport
