// Drop data: the first byte picks a uri-list, text, or both; the rest is the payload.
#include "FuzzTarget.h"

#include "slots/SlotLoading.h"

#include <QMimeData>

void fuzzOne(const QByteArray& input)
{
    const int form = input.isEmpty() ? 0 : uchar(input[0]) % 3;
    QMimeData mime;
    if (form != 1)
        mime.setData("text/uri-list", input.mid(1));
    if (form != 0)
        mime.setText(QString::fromUtf8(input.mid(1)));
    if (const auto path = droppedFileLocation(&mime))
        FUZZ_CHECK(!path->isEmpty());
}
