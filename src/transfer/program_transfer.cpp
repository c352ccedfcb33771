// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/program_transfer.h"

#include "platform/settings_text.h"

namespace lumaport {

std::unique_ptr<FtpTransfer> programTransfer(const QString& programFolder, const QString& trustFile)
{
    auto transfer = std::make_unique<FtpTransfer>();
    transfer->setTrustFile(trustFile.isEmpty() ? trustFilePath(programFolder) : trustFile);
    transfer->setOptionsFile(programOptionsPath(programFolder));
    return transfer;
}

} // namespace lumaport
