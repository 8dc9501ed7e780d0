#include "measure/ArrayReply.h"

#include <QtEndian>

#include <charconv>
#include <cmath>
#include <cstring>

namespace ostrel {

namespace {

QString tooMany(const QString& what, qsizetype count, int maxCount) {
    return QStringLiteral("The reply to \"%1\" holds %2 values, more than the %3 expected.")
        .arg(what)
        .arg(count)
        .arg(maxCount);
}

// One number between `begin` and `end`, blanks and a leading "+" allowed.
bool readNumber(const char* begin, const char* end, float& value) {
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r'))
        --end;
    if (begin < end && *begin == '+') {
        ++begin;
        if (begin < end && *begin == '-') return false;
    }
    if (begin == end) return false;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

} // namespace

ArrayReply ParseAsciiArray(const QByteArray& reply, int maxCount, const QString& what) {
    ArrayReply r;
    const QByteArray text = reply.trimmed();
    if (text.isEmpty()) return r;
    const qsizetype count = text.count(',') + 1;
    if (count > maxCount) {
        r.error = tooMany(what, count, maxCount);
        return r;
    }
    // Read in place: long arrays are parsed about as fast as they arrive.
    r.values.resize(count);
    const char* at = text.constData();
    const char* const end = at + text.size();
    for (qsizetype i = 0; i < count; ++i) {
        const char* fieldEnd = static_cast<const char*>(std::memchr(at, ',', end - at));
        if (!fieldEnd) fieldEnd = end;
        if (!readNumber(at, fieldEnd, r.values[i])) {
            r.error = QStringLiteral("The reply to \"%1\" is not a list of numbers (value %2).")
                          .arg(what)
                          .arg(i + 1);
            r.values.clear();
            return r;
        }
        at = fieldEnd + 1;
    }
    return r;
}

ArrayReply ParseBinaryBlock(const QByteArray& reply, BlockNumberForm form, int maxCount,
                            const QString& what) {
    ArrayReply r;
    const auto fail = [&](const QString& why) {
        r.error = QStringLiteral("The reply to \"%1\" %2").arg(what, why);
        return r;
    };
    if (reply.size() < 2 || reply[0] != '#' || reply[1] < '1' || reply[1] > '9')
        return fail(QStringLiteral("is not a definite-length block."));
    const int digits = reply[1] - '0';
    if (reply.size() < 2 + digits) return fail(QStringLiteral("is incomplete."));
    qint64 bytes = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = reply[2 + i];
        if (c < '0' || c > '9') return fail(QStringLiteral("is not a definite-length block."));
        bytes = bytes * 10 + (c - '0');
    }
    const int size = static_cast<int>(form);
    if (bytes % size != 0)
        return fail(QStringLiteral("holds %1 bytes, not a whole number of values.").arg(bytes));
    const qint64 count = bytes / size;
    if (count > maxCount) {
        r.error = tooMany(what, count, maxCount);
        return r;
    }
    const qint64 available = reply.size() - 2 - digits;
    if (available < bytes)
        return fail(
            QStringLiteral("is incomplete: %1 of %2 bytes arrived.").arg(available).arg(bytes));
    const char* data = reply.constData() + 2 + digits;
    r.values.resize(count);
    for (qint64 i = 0; i < count; ++i) {
        if (form == BlockNumberForm::Single)
            r.values[i] = qFromBigEndian<float>(data + i * size);
        else
            r.values[i] = static_cast<float>(qFromBigEndian<double>(data + i * size));
    }
    return r;
}

ArrayReply ParseArrayReply(const QByteArray& reply, BlockNumberForm form, int maxCount,
                           const QString& what) {
    if (reply.startsWith('#')) return ParseBinaryBlock(reply, form, maxCount, what);
    return ParseAsciiArray(reply, maxCount, what);
}

int BlockBufferSize(int count, BlockNumberForm form) {
    const int bytes = count * static_cast<int>(form);
    // "#", the digit count, the byte count's digits, and the line feed after the block.
    return bytes + 2 + QByteArray::number(bytes).size() + 1;
}

} // namespace ostrel
