#include "compose/ExportName.h"

QString exportFileName(const QDateTime& at)
{
    // QDateTime's own formatting always writes Gregorian dates in ASCII
    // digits, whatever the user's locale: the name stays sortable and
    // portable.
    return QStringLiteral("Pairvue_%1.png").arg(at.toLocalTime().toString(u"yyyyMMdd_HHmmss"));
}
