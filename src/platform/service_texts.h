// SPDX-License-Identifier: GPL-3.0-or-later
// Texts the desktop services hand to Qt or show, as rules of their own.
#pragma once

#include <QString>
#include <QTime>

namespace lumaport {

/// "Settings(*.lbx)|*.lbx" (caption|pattern pairs) in the form Qt's file dialogs take.
QString qtFileFilter(const QString& filter);

/// The time of day as the system's locale writes it, with seconds and without a time zone.
QString localTimeOfDay(const QTime& time);

} // namespace lumaport
