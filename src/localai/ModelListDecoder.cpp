#include "localai/ModelListDecoder.h"

#include "localai/InternetDateTime.h"
#include "localai/JsonReader.h"

#include <algorithm>

namespace {

// A string member as last given (a repeated key counts as its last value).
struct StringMember {
    enum class State { absent, text, wrongType } state = State::absent;
    QString text;
    qsizetype length = 0;
};

// A JSON null counts as absent; any other type than a string is wrong.
// The text is kept only when `keep` (its length always).
bool readStringMember(JsonReader& in, StringMember& member, bool keep, qsizetype keepUnits = -1)
{
    member = {};
    if (in.takeNull())
        return true;
    if (in.peek() != JsonReader::Type::string) {
        member.state = StringMember::State::wrongType;
        return in.skipValue();
    }
    member.state = StringMember::State::text;
    return in.readString(keep ? &member.text : nullptr, member.length, keepUnits);
}

// Applies a present string member over `field`; false if it has the wrong type.
bool apply(const StringMember& member, QString& field)
{
    if (member.state == StringMember::State::wrongType)
        return false;
    if (member.state == StringMember::State::text)
        field = member.text;
    return true;
}

struct Details {
    bool wrongType = false;
    StringMember parameterSize, quantization, format;
};

bool readDetails(JsonReader& in, Details& details, bool keep)
{
    details = {};
    if (in.takeNull())
        return true;
    if (in.peek() != JsonReader::Type::object) {
        details.wrongType = true;
        return in.skipValue();
    }
    if (!in.beginObject())
        return false;
    QString key;
    for (bool more = true;;) {
        if (!in.nextKey(key, more))
            return false;
        if (!more)
            return true;
        bool ok = true;
        if (key == QLatin1StringView("parameter_size"))
            ok = readStringMember(in, details.parameterSize, keep);
        else if (key == QLatin1StringView("quantization_level"))
            ok = readStringMember(in, details.quantization, keep);
        else if (key == QLatin1StringView("format"))
            ok = readStringMember(in, details.format, keep);
        else
            ok = in.skipValue();
        if (!ok)
            return false;
    }
}

// One element of "models", checked whole: false if the text is malformed;
// `readable` says whether the element reads as a model, which comes back in
// `model` only when `keep`.
bool readModel(JsonReader& in, bool keep, LocalAIModel& model, bool& readable)
{
    readable = false;
    if (in.peek() != JsonReader::Type::object)
        return in.skipValue();
    if (!in.beginObject())
        return false;
    StringMember name, expires;
    std::optional<qint64> size;
    bool sizeWrongType = true;
    Details details;
    QString key;
    for (bool more = true; more;) {
        if (!in.nextKey(key, more))
            return false;
        if (!more)
            break;
        bool ok = true;
        if (key == QLatin1StringView("name")) {
            ok = readStringMember(in, name, keep, kMaxModelNameLength);
        } else if (key == QLatin1StringView("size")) {
            sizeWrongType = in.peek() != JsonReader::Type::number;
            size.reset();
            ok = sizeWrongType ? in.skipValue() : in.readNumber(size);
        } else if (key == QLatin1StringView("details")) {
            ok = readDetails(in, details, keep);
        } else if (key == QLatin1StringView("expires_at")) {
            ok = readStringMember(in, expires, keep);
        } else {
            ok = in.skipValue();
        }
        if (!ok)
            return false;
    }
    model = LocalAIModel{};
    readable = name.state == StringMember::State::text && name.length <= kMaxModelNameLength && !sizeWrongType
               && size && !details.wrongType && expires.state != StringMember::State::wrongType
               && apply(details.parameterSize, model.parameterSize) && apply(details.quantization, model.quantization)
               && apply(details.format, model.format);
    if (!readable || !keep)
        return true;
    model.name = name.text;
    model.size = std::max<qint64>(*size, 0);
    if (expires.state == StringMember::State::text)
        model.expiresAt = parseInternetDateTime(expires.text);
    return true;
}

// The value of "models": null counts as absent. False if the text is
// malformed; `readable` says whether the value reads as a model list.
bool readModels(JsonReader& in, DecodedModelList& list, bool& readable)
{
    list = {};
    readable = true;
    if (in.takeNull())
        return true;
    if (in.peek() != JsonReader::Type::array) {
        readable = false;
        return in.skipValue();
    }
    if (!in.beginArray())
        return false;
    for (bool more = true;;) {
        if (!in.nextElement(more))
            return false;
        if (!more)
            return true;
        const bool keep = readable && list.models.size() < kMaxListedModels;
        LocalAIModel model;
        bool modelReadable = false;
        if (!readModel(in, keep, model, modelReadable))
            return false;
        readable = readable && modelReadable;
        ++list.total;
        if (keep && modelReadable)
            list.models.append(std::move(model));
    }
}

} // namespace

std::optional<DecodedModelList> decodeModelList(const QByteArray& body)
{
    if (body.size() > kMaxModelListBytes)
        return std::nullopt;
    JsonReader in(body);
    DecodedModelList result;
    bool readable = true;
    if (!in.beginObject())
        return std::nullopt;
    QString key;
    for (bool more = true;;) {
        if (!in.nextKey(key, more))
            return std::nullopt;
        if (!more)
            break;
        // A repeated "models" counts as its last value.
        if (!(key == QLatin1StringView("models") ? readModels(in, result, readable) : in.skipValue()))
            return std::nullopt;
    }
    if (!in.atEnd() || !readable)
        return std::nullopt;
    return result;
}
