#pragma once

#include <QDateTime>
#include <QString>

// The file name proposed for a saved composite: "Pairvue_" + the local date
// and time as yyyyMMdd_HHmmss + ".png", for instance
// Pairvue_20260903_141530.png. Seconds are the finest unit, so two saves
// within the same second propose the same name.
QString exportFileName(const QDateTime& at);
