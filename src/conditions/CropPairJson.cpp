#include "conditions/CropPairJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QMetaType>
#include <QVariant>

#include <charconv>
#include <cmath>

namespace {

// Below 2^63 every whole double converts to qint64 exactly.
constexpr double wholeLimit = 9223372036854775808.0;

void appendMember(QByteArray& out, const char* name, const QByteArray& value, bool first = false)
{
    if (!first)
        out += ',';
    out += '"';
    out += name;
    out += "\":";
    out += value;
}

QByteArray cropObject(const SavedCrop& c)
{
    QByteArray out = "{";
    appendMember(out, "x", jsonNumber(c.x), true);
    appendMember(out, "y", jsonNumber(c.y));
    appendMember(out, "width", jsonNumber(c.width));
    appendMember(out, "height", jsonNumber(c.height));
    out += '}';
    return out;
}

QByteArray backgroundObject(const BackgroundColor& b)
{
    QByteArray out = "{";
    appendMember(out, "red", QByteArray::number(b.red), true);
    appendMember(out, "green", QByteArray::number(b.green));
    appendMember(out, "blue", QByteArray::number(b.blue));
    appendMember(out, "alpha", QByteArray::number(b.alpha));
    out += '}';
    return out;
}

std::optional<double> number(const QJsonObject& object, const QString& name)
{
    const QJsonValue v = object.value(name);
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

// The parser keeps numbers written without a fraction (and whole ones that fit
// 64 bits) as integers; everything else is a real number.
std::optional<qint64> integer(const QJsonObject& object, const QString& name)
{
    const QJsonValue v = object.value(name);
    if (!v.isDouble())
        return std::nullopt;
    const QVariant held = v.toVariant();
    if (held.typeId() != QMetaType::LongLong)
        return std::nullopt;
    return held.toLongLong();
}

std::optional<SavedCrop> decodeCrop(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto x = number(o, QStringLiteral("x"));
    const auto y = number(o, QStringLiteral("y"));
    const auto width = number(o, QStringLiteral("width"));
    const auto height = number(o, QStringLiteral("height"));
    if (!x || !y || !width || !height)
        return std::nullopt;
    return SavedCrop{*x, *y, *width, *height};
}

std::optional<BackgroundColor> decodeBackground(const QJsonObject& o)
{
    const auto red = integer(o, QStringLiteral("red"));
    const auto green = integer(o, QStringLiteral("green"));
    const auto blue = integer(o, QStringLiteral("blue"));
    const auto alpha = integer(o, QStringLiteral("alpha"));
    if (!red || !green || !blue || !alpha)
        return std::nullopt;
    return BackgroundColor{*red, *green, *blue, *alpha};
}

} // namespace

QByteArray jsonNumber(double value)
{
    if (std::trunc(value) == value && std::abs(value) < wholeLimit)
        return QByteArray::number(qint64(value));
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, result.ptr - buffer);
}

std::optional<QByteArray> encodeCropPair(const SavedCropPair& record)
{
    for (const SavedCrop* c : {&record.left, &record.right})
        for (double v : {c->x, c->y, c->width, c->height})
            if (!std::isfinite(v))
                return std::nullopt;
    if (record.savedAt && !std::isfinite(*record.savedAt))
        return std::nullopt;

    QByteArray out = "{";
    appendMember(out, "left", cropObject(record.left), true);
    appendMember(out, "right", cropObject(record.right));
    if (record.background)
        appendMember(out, "background", backgroundObject(*record.background));
    if (record.savedAt)
        appendMember(out, "savedAt", jsonNumber(*record.savedAt));
    out += '}';
    return out;
}

std::optional<SavedCropPair> decodeCropPair(QByteArrayView json)
{
    if (json.isEmpty() || json.size() > maxCropPairJsonSize)
        return std::nullopt;
    // The parser refuses documents nested deeper than it can handle.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();

    SavedCropPair record;
    const auto left = decodeCrop(root.value(QStringLiteral("left")));
    const auto right = decodeCrop(root.value(QStringLiteral("right")));
    if (!left || !right)
        return std::nullopt;
    record.left = *left;
    record.right = *right;

    const QJsonValue background = root.value(QStringLiteral("background"));
    if (background.isObject()) {
        record.background = decodeBackground(background.toObject());
        if (!record.background)
            return std::nullopt;
    } else if (!background.isNull() && !background.isUndefined()) {
        return std::nullopt;
    }

    const QJsonValue savedAt = root.value(QStringLiteral("savedAt"));
    if (savedAt.isDouble())
        record.savedAt = savedAt.toDouble();
    else if (!savedAt.isNull() && !savedAt.isUndefined())
        return std::nullopt;
    return record;
}
