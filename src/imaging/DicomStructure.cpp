#include "imaging/DicomStructure.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr quint32 undefinedLength = 0xFFFFFFFFu;
constexpr quint32 itemTag = 0xFFFEE000u;
constexpr quint32 itemEndTag = 0xFFFEE00Du;
constexpr quint32 sequenceEndTag = 0xFFFEE0DDu;
constexpr quint32 pixelDataTag = 0x7FE00010u;

const char* const deflatedSyntax = "1.2.840.10008.1.2.1.99";
const char* const implicitSyntax = "1.2.840.10008.1.2";
const char* const bigEndianSyntax = "1.2.840.10008.1.2.2";

// Value representations whose length takes four bytes in explicit encoding.
bool longLengthVr(char a, char b)
{
    static const char* const vrs[] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                                      "SV", "UC", "UN", "UR", "UT", "UV"};
    for (const char* vr : vrs)
        if (vr[0] == a && vr[1] == b)
            return true;
    return false;
}

bool vrLetters(char a, char b)
{
    return a >= 'A' && a <= 'Z' && b >= 'A' && b <= 'Z';
}

enum class Failure { None, Hard };

class Walker {
public:
    Walker(const uchar* d, qint64 n, bool explicitVr, bool bigEndian)
        : m_d(d), m_n(n), m_explicit(explicitVr), m_big(bigEndian)
    {
    }

    // Walks a dataset in [pos, end); inside an item of undefined length it
    // stops after the item's end marker.
    Failure dataset(qint64& pos, qint64 end, bool untilItemEnd, int depth)
    {
        while (pos < end) {
            if (pos + 8 > end)
                return Failure::Hard;
            const quint32 tag = readTag(pos);
            if (tag == itemEndTag) {
                if (!untilItemEnd)
                    return Failure::Hard;
                pos += 8;
                return Failure::None;
            }
            if ((tag >> 16) == 0xFFFE)
                return Failure::Hard;
            bool sequenceVr = false;
            bool unknownVr = false;
            quint32 length = 0;
            qint64 valueAt = 0;
            if (m_explicit) {
                const char a = char(m_d[pos + 4]);
                const char b = char(m_d[pos + 5]);
                if (!vrLetters(a, b))
                    return Failure::Hard;
                sequenceVr = a == 'S' && b == 'Q';
                unknownVr = a == 'U' && b == 'N';
                if (longLengthVr(a, b)) {
                    if (pos + 12 > end)
                        return Failure::Hard;
                    length = u32(pos + 8);
                    valueAt = pos + 12;
                } else {
                    length = u16(pos + 6);
                    valueAt = pos + 8;
                }
            } else {
                length = u32(pos + 4);
                valueAt = pos + 8;
            }
            if (depth == 0 && tag == pixelDataTag)
                m_pixelData = true;
            pos = valueAt;
            if (length == undefinedLength) {
                if (tag == pixelDataTag) {
                    if (fragments(pos, end) != Failure::None)
                        return Failure::Hard;
                    continue;
                }
                // A sequence; one written as UN holds implicitly encoded items.
                const bool saved = m_explicit;
                if (unknownVr)
                    m_explicit = false;
                const Failure f = sequence(pos, end, true, depth + 1);
                m_explicit = saved;
                if (f != Failure::None)
                    return Failure::Hard;
                continue;
            }
            if (qint64(length) > end - pos)
                return Failure::Hard;
            const qint64 valueEnd = pos + length;
            if (sequenceVr) {
                if (sequence(pos, valueEnd, false, depth + 1) != Failure::None)
                    return Failure::Hard;
            } else if (!m_explicit && length >= 8 && readTag(pos) == itemTag) {
                // Implicit encoding does not say which values are sequences;
                // the library knows from its dictionary. A value that starts
                // like an item is walked as a sequence; if it is not one, it
                // is an ordinary value after all, unless it nests too deep.
                qint64 inner = pos;
                if (sequence(inner, valueEnd, false, depth + 1) == Failure::Hard && m_tooDeep)
                    return Failure::Hard;
            }
            pos = valueEnd;
        }
        return untilItemEnd ? Failure::Hard : Failure::None;
    }

    bool pixelData() const { return m_pixelData; }

private:
    Failure sequence(qint64& pos, qint64 end, bool undefined, int depth)
    {
        if (depth > maxDicomNesting) {
            m_tooDeep = true;
            return Failure::Hard;
        }
        while (pos < end) {
            if (pos + 8 > end)
                return Failure::Hard;
            const quint32 tag = readTag(pos);
            const quint32 length = u32(pos + 4);
            pos += 8;
            if (tag == sequenceEndTag) {
                if (!undefined)
                    return Failure::Hard;
                return Failure::None;
            }
            if (tag != itemTag)
                return Failure::Hard;
            if (length == undefinedLength) {
                if (dataset(pos, end, true, depth) != Failure::None)
                    return Failure::Hard;
            } else {
                if (qint64(length) > end - pos)
                    return Failure::Hard;
                qint64 inner = pos;
                if (dataset(inner, pos + length, false, depth) != Failure::None)
                    return Failure::Hard;
                pos += length;
            }
        }
        return undefined ? Failure::Hard : Failure::None;
    }

    // Encapsulated pixel data: items of defined length up to the end marker.
    Failure fragments(qint64& pos, qint64 end)
    {
        while (pos + 8 <= end) {
            const quint32 tag = readTag(pos);
            const quint32 length = u32(pos + 4);
            pos += 8;
            if (tag == sequenceEndTag)
                return Failure::None;
            if (tag != itemTag || length == undefinedLength || qint64(length) > end - pos)
                return Failure::Hard;
            pos += length;
        }
        return Failure::Hard;
    }

    quint16 u16(qint64 at) const
    {
        return m_big ? quint16(m_d[at] << 8 | m_d[at + 1]) : quint16(m_d[at] | m_d[at + 1] << 8);
    }
    quint32 u32(qint64 at) const
    {
        return m_big ? quint32(u16(at)) << 16 | u16(at + 2) : quint32(u16(at + 2)) << 16 | u16(at);
    }
    quint32 readTag(qint64 at) const { return quint32(u16(at)) << 16 | u16(at + 2); }

    const uchar* m_d;
    qint64 m_n;
    bool m_explicit;
    bool m_big;
    bool m_pixelData = false;
    bool m_tooDeep = false;
};

// The file meta group: explicit little endian elements of group 0002.
bool walkMeta(const uchar* d, qint64 n, qint64& pos, QByteArray& transferSyntax)
{
    while (pos + 8 <= n) {
        const quint16 group = quint16(d[pos] | d[pos + 1] << 8);
        if (group != 0x0002)
            return true;
        const quint16 element = quint16(d[pos + 2] | d[pos + 3] << 8);
        const char a = char(d[pos + 4]);
        const char b = char(d[pos + 5]);
        if (!vrLetters(a, b))
            return false;
        qint64 length = 0;
        qint64 valueAt = 0;
        if (longLengthVr(a, b)) {
            if (pos + 12 > n)
                return false;
            length = qint64(d[pos + 8]) | qint64(d[pos + 9]) << 8 | qint64(d[pos + 10]) << 16 |
                     qint64(d[pos + 11]) << 24;
            valueAt = pos + 12;
        } else {
            length = d[pos + 6] | d[pos + 7] << 8;
            valueAt = pos + 8;
        }
        if (length > n - valueAt)
            return false;
        if (element == 0x0010) {
            transferSyntax = QByteArray(reinterpret_cast<const char*>(d + valueAt), int(length));
            while (!transferSyntax.isEmpty() &&
                   (transferSyntax.back() == '\0' || transferSyntax.back() == ' '))
                transferSyntax.chop(1);
        }
        pos = valueAt + length;
    }
    return pos == n;
}

// Inflates a deflate stream (raw, or with a zlib header when `windowBits` is
// positive) into `out`, or only measures it when `out` is null. -1 when the
// stream is broken, cut off or grows past the bound.
qint64 inflatePass(const uchar* d, qint64 n, int windowBits, QByteArray* out)
{
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, windowBits) != Z_OK)
        return -1;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    qint64 remaining = n;
    const uchar* next = d;
    qint64 total = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        if (z.avail_in == 0 && remaining > 0) {
            const uInt take = uInt(qMin<qint64>(remaining, 1 << 30));
            z.next_in = const_cast<Bytef*>(next);
            z.avail_in = take;
            next += take;
            remaining -= take;
        }
        z.next_out = reinterpret_cast<Bytef*>(chunk.data());
        z.avail_out = uInt(chunk.size());
        result = inflate(&z, Z_NO_FLUSH);
        const qint64 produced = chunk.size() - qint64(z.avail_out);
        total += produced;
        if (total > maxInflatedDicomBytes)
            break;
        if (out)
            out->append(chunk.constData(), produced);
        if (result == Z_BUF_ERROR && (z.avail_in > 0 || remaining > 0))
            result = Z_OK;
    }
    inflateEnd(&z);
    return result == Z_STREAM_END && total <= maxInflatedDicomBytes ? total : -1;
}

// Inflates a deflated dataset: measured first, so that memory is taken only
// for a stream that stays within the bound, and then only once.
bool inflateBounded(const uchar* d, qint64 n, QByteArray& out)
{
    for (const int windowBits : {-MAX_WBITS, MAX_WBITS}) {
        const qint64 size = inflatePass(d, n, windowBits, nullptr);
        if (size < 0)
            continue;
        out.clear();
        out.reserve(size);
        return inflatePass(d, n, windowBits, &out) == size;
    }
    return false;
}

} // namespace

DicomWalk walkDicomStructure(const uchar* data, qint64 size)
{
    DicomWalk walk;
    if (!data || size < 8)
        return walk;
    qint64 pos = 0;
    const bool preamble = size >= 132 && std::memcmp(data + 128, "DICM", 4) == 0;
    const quint16 firstGroup = quint16(data[0] | data[1] << 8);
    if (preamble) {
        pos = 132;
    } else if (firstGroup != 0x0002 && firstGroup != 0x0008) {
        return walk; // not a dataset that starts as DICOM files do
    }
    walk.verdict = DicomStructure::Refused;
    if (!walkMeta(data, size, pos, walk.transferSyntax))
        return walk;

    bool explicitVr = true;
    bool bigEndian = false;
    if (walk.transferSyntax.isEmpty()) {
        // No meta header: explicit when the first element spells a VR.
        explicitVr = pos + 6 <= size && vrLetters(char(data[pos + 4]), char(data[pos + 5]));
    } else if (walk.transferSyntax == implicitSyntax) {
        explicitVr = false;
    } else if (walk.transferSyntax == bigEndianSyntax) {
        bigEndian = true;
    }

    QByteArray inflated;
    const uchar* body = data + pos;
    qint64 bodySize = size - pos;
    if (walk.transferSyntax == deflatedSyntax) {
        if (!inflateBounded(body, bodySize, inflated))
            return walk;
        body = reinterpret_cast<const uchar*>(inflated.constData());
        bodySize = inflated.size();
    }

    Walker walker(body, bodySize, explicitVr, bigEndian);
    qint64 at = 0;
    if (walker.dataset(at, bodySize, false, 0) != Failure::None)
        return walk;
    walk.pixelData = walker.pixelData();
    walk.verdict = DicomStructure::Sound;
    return walk;
}
