#include "localai/ModelListDecoder.h"

#include "localai/InternetDateTime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <limits>

namespace {

bool isAbsent(const QJsonValue& value) { return value.isUndefined() || value.isNull(); }

// An optional string member: absent or null keeps the fallback; any other
// type than a string fails.
bool readOptionalString(const QJsonObject& object, QLatin1StringView key, QString& out)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

// A whole number that fits in 64 bits. QJsonValue keeps integers exactly;
// fractions and out-of-range numbers give the default for toInteger, so two
// different defaults expose them.
std::optional<qint64> readInt64(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const qint64 a = value.toInteger(std::numeric_limits<qint64>::min());
    const qint64 b = value.toInteger(std::numeric_limits<qint64>::max());
    if (a != b)
        return std::nullopt;
    return a;
}

std::optional<LocalAIModel> decodeModel(const QJsonValue& element)
{
    if (!element.isObject())
        return std::nullopt;
    const QJsonObject object = element.toObject();
    LocalAIModel model;

    const QJsonValue name = object.value(QLatin1StringView("name"));
    if (!name.isString())
        return std::nullopt;
    model.name = name.toString();
    if (model.name.size() > kMaxModelNameLength)
        return std::nullopt;

    const auto size = readInt64(object.value(QLatin1StringView("size")));
    if (!size)
        return std::nullopt;
    model.size = std::max<qint64>(*size, 0);

    const QJsonValue details = object.value(QLatin1StringView("details"));
    if (!isAbsent(details)) {
        if (!details.isObject())
            return std::nullopt;
        const QJsonObject d = details.toObject();
        if (!readOptionalString(d, QLatin1StringView("parameter_size"), model.parameterSize)
            || !readOptionalString(d, QLatin1StringView("quantization_level"), model.quantization)
            || !readOptionalString(d, QLatin1StringView("format"), model.format))
            return std::nullopt;
    }

    const QJsonValue expires = object.value(QLatin1StringView("expires_at"));
    if (!isAbsent(expires)) {
        if (!expires.isString())
            return std::nullopt;
        model.expiresAt = parseInternetDateTime(expires.toString());
    }
    return model;
}

} // namespace

std::optional<DecodedModelList> decodeModelList(const QByteArray& body)
{
    if (body.size() > kMaxModelListBytes)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue models = document.object().value(QLatin1StringView("models"));
    DecodedModelList result;
    if (isAbsent(models))
        return result;
    if (!models.isArray())
        return std::nullopt;
    const QJsonArray array = models.toArray();
    result.total = array.size();
    result.models.reserve(std::min(array.size(), kMaxListedModels));
    for (const QJsonValue& element : array) {
        auto model = decodeModel(element);
        if (!model)
            return std::nullopt;
        if (result.models.size() < kMaxListedModels)
            result.models.append(std::move(*model));
    }
    return result;
}
