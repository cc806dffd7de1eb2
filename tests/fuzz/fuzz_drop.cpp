// Drop data in its three forms: a uri-list, text, and both at once. The first
// byte picks the form; the rest is the payload.
#include "FuzzTarget.h"

#include "slots/SlotLoading.h"

#include <QMimeData>

void fuzzOne(const QByteArray& input)
{
    if (input.isEmpty())
        return;
    const int form = uchar(input[0]) % 3;
    const QByteArray payload = input.mid(1);
    QMimeData mime;
    if (form != 1)
        mime.setData(QStringLiteral("text/uri-list"), payload);
    if (form != 0)
        mime.setText(QString::fromUtf8(payload));
    if (const auto path = droppedFileLocation(&mime))
        FUZZ_CHECK(!path->isEmpty());
}
