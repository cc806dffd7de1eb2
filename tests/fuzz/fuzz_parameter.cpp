// Parameter text: the six layout fields. What it reads, it writes and reads again.
#include "FuzzTarget.h"

#include "compose/Parameters.h"

void fuzzOne(const QByteArray& input)
{
    if (const auto value = parseParameter(QString::fromUtf8(input)))
        FUZZ_CHECK(parseParameter(QString::number(*value)) == value);
}
