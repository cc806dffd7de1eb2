#pragma once

// DICOM files for tests and benchmarks. Every file carries the same patient
// and study strings, so that a test can search the program's output for them.

// clang-format off
#include <dcmtk/config/osconfig.h>
// clang-format on
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcrleerg.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmjpeg/djencode.h>
#include <dcmtk/dcmjpeg/djrplol.h>
#include <dcmtk/dcmjpeg/djrploss.h>
#include <dcmtk/dcmjpls/djencode.h>
#include <dcmtk/dcmjpls/djrparam.h>

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QtEndian>

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

// A sound file, written by the DICOM library's own writer and encoders.
struct DicomTestFile {
    int rows = 32;
    int columns = 48;
    int frames = 1; // written as NumberOfFrames when above 1
    const char* photometric = "MONOCHROME2";
    int bitsAllocated = 16;
    int bitsStored = 12;
    // Slope, intercept: signed values in a secondary capture (the library
    // applies no rescale to an angiogram, as that type stores none).
    std::optional<std::pair<double, double>> rescale;
    std::optional<std::pair<double, double>> window; // centre, width
    std::optional<std::pair<double, double>> angles; // primary, secondary
    std::optional<int> representativeFrame;          // 1-based
    E_TransferSyntax syntax = EXS_LittleEndianExplicit;
    // The stored value of a sample; colour samples are 0, 1, 2.
    std::function<int(int frame, int x, int y, int sample)> value = [](int f, int x, int y, int) {
        return (x * 64 + y * 16 + f * 100) % 4096;
    };
};

inline bool writeDicom(const QString& path, const DicomTestFile& recipe)
{
    static std::once_flag once;
    std::call_once(once, [] {
        DcmRLEEncoderRegistration::registerCodecs();
        DJEncoderRegistration::registerCodecs();
        DJLSEncoderRegistration::registerCodecs();
    });
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    auto put = [ds](const DcmTagKey& tag, const QByteArray& v) {
        ds->putAndInsertString(tag, v.constData());
    };
    auto pair = [&](const auto& v, const DcmTagKey& first, const DcmTagKey& second) {
        if (v) {
            put(first, QByteArray::number(v->first));
            put(second, QByteArray::number(v->second));
        }
    };
    char uid[100];
    put(DCM_SOPClassUID,
        recipe.rescale ? UID_SecondaryCaptureImageStorage : UID_XRayAngiographicImageStorage);
    put(DCM_SOPInstanceUID, dcmGenerateUniqueIdentifier(uid));
    const DcmTagKey patient[] = {DCM_PatientName, DCM_PatientID, DCM_PatientBirthDate,
                                 DCM_InstitutionName, DCM_StudyDate};
    for (int i = 0; i < 5; ++i)
        put(patient[i], patientStrings[i].toLatin1());
    put(DCM_PhotometricInterpretation, recipe.photometric);
    const QByteArray photometric(recipe.photometric);
    const bool palette = photometric == "PALETTE COLOR"; // 8-bit indices into a 256-entry table
    const int samples = photometric.startsWith("MONO") || palette ? 1 : 3;
    for (int c = 0; palette && c < 3; ++c) { // 16-bit entries: red i, green 255 - i, blue 128
        const Uint16 descriptor[] = {256, 0, 16};
        std::vector<Uint16> table;
        for (int i = 0; i < 256; ++i)
            table.push_back(Uint16((c == 0 ? i : c == 1 ? 255 - i : 128) * 257));
        ds->putAndInsertUint16Array(DcmTagKey(0x0028, Uint16(0x1101 + c)), descriptor, 3);
        ds->putAndInsertUint16Array(DcmTagKey(0x0028, Uint16(0x1201 + c)), table.data(), 256);
    }
    const DcmTagKey shortTags[] = {
        DCM_Rows,       DCM_Columns, DCM_SamplesPerPixel,     DCM_BitsAllocated,
        DCM_BitsStored, DCM_HighBit, DCM_PlanarConfiguration, DCM_PixelRepresentation};
    const int shorts[] = {
        recipe.rows,       recipe.columns,        samples, recipe.bitsAllocated,
        recipe.bitsStored, recipe.bitsStored - 1, 0,       recipe.rescale.has_value()};
    for (int i = 0; i < 8; ++i)
        ds->putAndInsertUint16(shortTags[i], Uint16(shorts[i]));
    if (recipe.frames > 1)
        put(DCM_NumberOfFrames, QByteArray::number(recipe.frames));
    if (recipe.representativeFrame)
        ds->putAndInsertUint16(DCM_RepresentativeFrameNumber, Uint16(*recipe.representativeFrame));
    pair(recipe.window, DCM_WindowCenter, DCM_WindowWidth);
    pair(recipe.rescale, DCM_RescaleSlope, DCM_RescaleIntercept);
    pair(recipe.angles, DCM_PositionerPrimaryAngle, DCM_PositionerSecondaryAngle);

    std::vector<Uint16> px;
    for (int f = 0; f < recipe.frames; ++f)
        for (int y = 0; y < recipe.rows; ++y)
            for (int x = 0; x < recipe.columns; ++x)
                for (int s = 0; s < samples; ++s)
                    px.push_back(Uint16(recipe.value(f, x, y, s)));
    const std::vector<Uint8> bytes(px.begin(), px.end());
    if (recipe.bitsAllocated == 8)
        ds->putAndInsertUint8Array(DCM_PixelData, bytes.data(), unsigned(bytes.size()));
    else
        ds->putAndInsertUint16Array(DCM_PixelData, px.data(), unsigned(px.size()));

    const DJ_RPLossless jpeg;
    const DJ_RPLossy baseline; // colour is stored as YBR_FULL_422
    const DJLSRepresentationParameter jpegLs(0, OFTrue);
    const DcmRepresentationParameter* parameter = nullptr;
    if (recipe.syntax == EXS_JPEGProcess14SV1)
        parameter = &jpeg;
    if (recipe.syntax == EXS_JPEGProcess1)
        parameter = &baseline;
    if (recipe.syntax == EXS_JPEGLSLossless)
        parameter = &jpegLs;
    if (DcmXfer(recipe.syntax).isEncapsulated() &&
        ds->chooseRepresentation(recipe.syntax, parameter).bad())
        return false;
    return file.saveFile(OFFilename(QFile::encodeName(path).constData()), recipe.syntax).good();
}

// One explicit little endian element, in raw bytes; `length` overrides the
// value's own (0xFFFFFFFF: undefined). Item tags (group FFFE) take no VR.
inline QByteArray element(quint16 group, quint16 elem, const char* vr, const QByteArray& value,
                          qint64 length = -1)
{
    QByteArray out;
    auto le = [&out](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(char(v >> (8 * i)));
    };
    le(group, 2);
    le(elem, 2);
    out.append(vr);
    const quint32 n = length < 0 ? quint32(value.size()) : quint32(length);
    if (QByteArrayList{"OB", "OW", "SQ", ""}.contains(vr)) {
        le(0, *vr ? 2 : 0);
        le(n, 4);
    } else {
        le(n, 2);
    }
    return out + value;
}

// A greyscale image in raw bytes, for files the library's writer would refuse.
struct RawDicom {
    int rows = 32, columns = 48, frames = 1;
    int pixelBytes = 32 * 48 * 2; // below 0: no pixel data at all
    int nesting = 0;              // sequences nested this deep before the pixel data
    int deflatedMiB = 0;          // above 0: deflated, this many MiB of zeros in front
};

inline QByteArray rawDicom(const RawDicom& d)
{
    auto us = [](int v) { return QByteArray(1, char(v)) + char(v >> 8); };
    QByteArray body =
        element(0x0010, 0x0010, "PN", "YAMADA^TARO ") + element(0x0028, 0x0002, "US", us(1)) +
        element(0x0028, 0x0004, "CS", "MONOCHROME2 ") +
        element(0x0028, 0x0008, "IS", QByteArray::number(d.frames).leftJustified(6)) +
        element(0x0028, 0x0010, "US", us(d.rows)) + element(0x0028, 0x0011, "US", us(d.columns)) +
        element(0x0028, 0x0100, "US", us(16)) + element(0x0028, 0x0101, "US", us(12)) +
        element(0x0028, 0x0102, "US", us(11)) + element(0x0028, 0x0103, "US", us(0));
    body += (element(0x0040, 0xA730, "SQ", {}, 0xFFFFFFFF) +
             element(0xFFFE, 0xE000, "", {}, 0xFFFFFFFF))
                .repeated(d.nesting) +
            (element(0xFFFE, 0xE00D, "", {}, 0) + element(0xFFFE, 0xE0DD, "", {}, 0))
                .repeated(d.nesting);
    if (d.pixelBytes >= 0)
        body += element(0x7FE0, 0x0010, "OW", QByteArray(d.pixelBytes, '\x10'));
    const QByteArray syntax = d.deflatedMiB > 0 ? QByteArray("1.2.840.10008.1.2.1.99")
                                                : QByteArray("1.2.840.10008.1.2.1", 20);
    if (d.deflatedMiB > 0) { // the same flushed block of deflate data over and over
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
        QByteArray out(2 << 20, '\0');
        auto pass = [&](const QByteArray& in, int flush) {
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
            z.avail_in = uInt(in.size());
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            return out.left(out.size() - int(z.avail_out));
        };
        QByteArray stream =
            pass(element(0x0009, 0x1010, "OB", {}, qint64(d.deflatedMiB) << 20), Z_FULL_FLUSH);
        const QByteArray block = pass(QByteArray(1 << 20, '\0'), Z_FULL_FLUSH);
        body = stream + block.repeated(d.deflatedMiB) + pass(body, Z_FINISH);
        deflateEnd(&z);
    }
    const QByteArray meta = element(0x0002, 0x0001, "OB", QByteArray("\0\1", 2)) +
                            element(0x0002, 0x0010, "UI", syntax);
    const quint32 length = qToLittleEndian(quint32(meta.size()));
    return QByteArray(128, '\0') + "DICM" +
           element(0x0002, 0x0000, "UL", QByteArray(reinterpret_cast<const char*>(&length), 4)) +
           meta + body;
}

} // namespace testsupport
