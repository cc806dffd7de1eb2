// Parameter text: the six layout fields.
#include "FuzzTarget.h"

#include "compose/Parameters.h"

#include <QString>

void fuzzOne(const QByteArray& input)
{
    const QString text = QString::fromUtf8(input);
    if (const auto value = parseParameter(text))
        FUZZ_CHECK(parseParameter(QString::number(*value)) == value); // reads what it writes
}
