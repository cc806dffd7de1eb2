#pragma once

// DICOM files for tests and benchmarks, written by the DICOM library's own
// writer and encoders. Every file carries the same patient and study strings,
// so that a test can search the program's output for them.

// clang-format off
#include <dcmtk/config/osconfig.h>
// clang-format on
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcrleerg.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmjpeg/djencode.h>
#include <dcmtk/dcmjpeg/djrplol.h>
#include <dcmtk/dcmjpls/djencode.h>
#include <dcmtk/dcmjpls/djrparam.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include <zlib.h>

namespace testsupport {

// What no output of the program may ever contain.
inline const QStringList patientStrings{
    QStringLiteral("YAMADA^TARO"), QStringLiteral("PID-4711-SECRET"), QStringLiteral("19450817"),
    QStringLiteral("St Example Heart Institute"), QStringLiteral("20240229")};

struct DicomSpec {
    int rows = 32;
    int columns = 48;
    int frames = 1; // written as NumberOfFrames when above 1
    const char* photometric = "MONOCHROME2";
    int bitsAllocated = 16;
    int bitsStored = 12;
    bool signedPixels = false;
    std::optional<std::pair<double, double>> window;  // centre, width
    std::optional<std::pair<double, double>> rescale; // slope, intercept
    std::optional<std::pair<double, double>> angles;  // primary, secondary
    std::optional<int> representativeFrame;           // 1-based
    E_TransferSyntax syntax = EXS_LittleEndianExplicit;
    // X-ray angiography applies no rescale; other kinds of image do.
    const char* sopClass = UID_XRayAngiographicImageStorage;
    // The stored value of a sample; colour samples are 0, 1, 2.
    std::function<int(int frame, int x, int y, int sample)> value = [](int f, int x, int y, int) {
        return (x * 64 + y * 16 + f * 100) % 4096;
    };
    // Pixel data bytes left out at the end (a file that declares more than it holds).
    int missingBytes = 0;
};

inline void registerDicomEncoders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        DcmRLEEncoderRegistration::registerCodecs();
        DJEncoderRegistration::registerCodecs();
        DJLSEncoderRegistration::registerCodecs();
    });
}

inline bool writeDicom(const QString& path, const DicomSpec& spec)
{
    registerDicomEncoders();
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    char uid[100];
    ds->putAndInsertString(DCM_SOPClassUID, spec.sopClass);
    ds->putAndInsertString(DCM_SOPInstanceUID, dcmGenerateUniqueIdentifier(uid));
    ds->putAndInsertString(DCM_StudyInstanceUID, dcmGenerateUniqueIdentifier(uid));
    ds->putAndInsertString(DCM_SeriesInstanceUID, dcmGenerateUniqueIdentifier(uid));
    ds->putAndInsertString(DCM_Modality, "XA");
    ds->putAndInsertString(DCM_PatientName, "YAMADA^TARO");
    ds->putAndInsertString(DCM_PatientID, "PID-4711-SECRET");
    ds->putAndInsertString(DCM_PatientBirthDate, "19450817");
    ds->putAndInsertString(DCM_InstitutionName, "St Example Heart Institute");
    ds->putAndInsertString(DCM_StudyDate, "20240229");

    const bool colour = QByteArray(spec.photometric) != "MONOCHROME1" &&
                        QByteArray(spec.photometric) != "MONOCHROME2";
    const int samples = colour ? 3 : 1;
    ds->putAndInsertUint16(DCM_Rows, Uint16(spec.rows));
    ds->putAndInsertUint16(DCM_Columns, Uint16(spec.columns));
    ds->putAndInsertUint16(DCM_SamplesPerPixel, Uint16(samples));
    ds->putAndInsertString(DCM_PhotometricInterpretation, spec.photometric);
    if (colour)
        ds->putAndInsertUint16(DCM_PlanarConfiguration, 0);
    ds->putAndInsertUint16(DCM_BitsAllocated, Uint16(spec.bitsAllocated));
    ds->putAndInsertUint16(DCM_BitsStored, Uint16(spec.bitsStored));
    ds->putAndInsertUint16(DCM_HighBit, Uint16(spec.bitsStored - 1));
    ds->putAndInsertUint16(DCM_PixelRepresentation, spec.signedPixels ? 1 : 0);
    if (spec.frames > 1)
        ds->putAndInsertString(DCM_NumberOfFrames, QByteArray::number(spec.frames).constData());
    if (spec.window) {
        ds->putAndInsertString(DCM_WindowCenter,
                               QByteArray::number(spec.window->first).constData());
        ds->putAndInsertString(DCM_WindowWidth,
                               QByteArray::number(spec.window->second).constData());
    }
    if (spec.rescale) {
        ds->putAndInsertString(DCM_RescaleSlope,
                               QByteArray::number(spec.rescale->first).constData());
        ds->putAndInsertString(DCM_RescaleIntercept,
                               QByteArray::number(spec.rescale->second).constData());
    }
    if (spec.angles) {
        ds->putAndInsertString(DCM_PositionerPrimaryAngle,
                               QByteArray::number(spec.angles->first).constData());
        ds->putAndInsertString(DCM_PositionerSecondaryAngle,
                               QByteArray::number(spec.angles->second).constData());
    }
    if (spec.representativeFrame)
        ds->putAndInsertUint16(DCM_RepresentativeFrameNumber, Uint16(*spec.representativeFrame));

    const size_t count =
        size_t(spec.rows) * size_t(spec.columns) * size_t(samples) * size_t(spec.frames);
    size_t i = 0;
    if (spec.bitsAllocated == 8) {
        std::vector<Uint8> pixels(count);
        for (int f = 0; f < spec.frames; ++f)
            for (int y = 0; y < spec.rows; ++y)
                for (int x = 0; x < spec.columns; ++x)
                    for (int s = 0; s < samples; ++s)
                        pixels[i++] = Uint8(spec.value(f, x, y, s));
        ds->putAndInsertUint8Array(DCM_PixelData, pixels.data(),
                                   unsigned(count - size_t(spec.missingBytes)));
    } else {
        std::vector<Uint16> pixels(count);
        for (int f = 0; f < spec.frames; ++f)
            for (int y = 0; y < spec.rows; ++y)
                for (int x = 0; x < spec.columns; ++x)
                    for (int s = 0; s < samples; ++s)
                        pixels[i++] = Uint16(spec.value(f, x, y, s));
        ds->putAndInsertUint16Array(DCM_PixelData, pixels.data(),
                                    unsigned(count - size_t(spec.missingBytes / 2)));
    }

    if (spec.syntax == EXS_JPEGProcess14SV1) {
        const DJ_RPLossless lossless;
        if (ds->chooseRepresentation(spec.syntax, &lossless).bad())
            return false;
    } else if (spec.syntax == EXS_JPEGLSLossless) {
        const DJLSRepresentationParameter lossless(0, OFTrue);
        if (ds->chooseRepresentation(spec.syntax, &lossless).bad())
            return false;
    } else if (spec.syntax == EXS_RLELossless) {
        if (ds->chooseRepresentation(spec.syntax, nullptr).bad())
            return false;
    }
    return file.saveFile(OFFilename(QFile::encodeName(path).constData()), spec.syntax).good();
}

// Raw bytes of explicit little endian elements, for files the writer would refuse.
inline QByteArray element(quint16 group, quint16 elem, const char* vr, const QByteArray& value,
                          quint32 length = 0xFFFFFFFEu)
{
    QByteArray out;
    auto u16 = [&out](quint32 v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    u16(group);
    u16(elem);
    const quint32 len = length == 0xFFFFFFFEu ? quint32(value.size()) : length;
    const QByteArray v(vr);
    if (!v.isEmpty())
        out.append(v);
    const bool longForm =
        v.isEmpty() || v == "OB" || v == "OW" || v == "SQ" || v == "UN" || v == "UT";
    if (longForm) {
        if (!v.isEmpty())
            u16(0);
        u16(len & 0xFFFF);
        u16(len >> 16);
    } else {
        u16(len);
    }
    return out + value;
}

// A file with a preamble and meta header saying `syntax`, followed by `body`.
inline QByteArray dicomFileBytes(const char* syntax, const QByteArray& body)
{
    QByteArray uid(syntax);
    if (uid.size() % 2)
        uid.append('\0');
    const QByteArray meta =
        element(0x0002, 0x0001, "OB", QByteArray("\0\1", 2)) + element(0x0002, 0x0010, "UI", uid);
    QByteArray length(4, '\0');
    const quint32 n = quint32(meta.size());
    for (int b = 0; b < 4; ++b)
        length[b] = char((n >> (8 * b)) & 0xFF);
    return QByteArray(128, '\0') + "DICM" + element(0x0002, 0x0000, "UL", length) + meta + body;
}

// A deflated dataset that inflates to `repeats` MiB of zeros inside one
// element: the same flushed block of deflate data over and over.
inline QByteArray deflateBomb(int repeats)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    const QByteArray header = element(0x0009, 0x1010, "OB", QByteArray(), 0xFFFFFFF0u);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray out(1 << 20, '\0');
    auto pass = [&](const QByteArray& in, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        return out.left(out.size() - int(z.avail_out));
    };
    QByteArray stream = pass(header, Z_FULL_FLUSH);
    const QByteArray block = pass(zeros, Z_FULL_FLUSH);
    for (int i = 0; i < repeats; ++i)
        stream += block;
    stream += pass(QByteArray(), Z_FINISH);
    deflateEnd(&z);
    return dicomFileBytes("1.2.840.10008.1.2.1.99", stream);
}

// Sequences nested `depth` deep (undefined lengths), then an image's elements.
inline QByteArray deeplyNested(int depth)
{
    QByteArray body;
    for (int i = 0; i < depth; ++i)
        body += element(0x0040, 0xA730, "SQ", QByteArray(), 0xFFFFFFFFu) +
                element(0xFFFE, 0xE000, "", QByteArray(), 0xFFFFFFFFu);
    for (int i = 0; i < depth; ++i)
        body += element(0xFFFE, 0xE00D, "", QByteArray(), 0) +
                element(0xFFFE, 0xE0DD, "", QByteArray(), 0);
    return dicomFileBytes("1.2.840.10008.1.2.1", body);
}

} // namespace testsupport
