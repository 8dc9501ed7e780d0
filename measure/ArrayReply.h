#pragma once
// Measurement arrays as the source sends them: a comma-separated text list,
// or an IEEE 488.2 definite-length block ("#", one digit n, n digits of byte
// count, then the values as big-endian IEEE 754 numbers of 4 or 8 bytes).
// Nothing beyond `maxCount` values is ever taken: a longer reply is refused.
#include <QByteArray>
#include <QString>
#include <QVector>

namespace ostrel {

enum class BlockNumberForm { Single = 4, Double = 8 };

struct ArrayReply {
    QVector<float> values;
    QString error; // names the query; empty when the reply was accepted
    bool ok() const { return error.isEmpty(); }
};

// `what` names the query in the messages. An empty reply holds no values.
ArrayReply ParseAsciiArray(const QByteArray& reply, int maxCount, const QString& what);
ArrayReply ParseBinaryBlock(const QByteArray& reply, BlockNumberForm form, int maxCount,
                            const QString& what);
// Either form, told apart by the leading "#".
ArrayReply ParseArrayReply(const QByteArray& reply, BlockNumberForm form, int maxCount,
                           const QString& what);

// Room for a block of `count` values: data, header and terminator.
int BlockBufferSize(int count, BlockNumberForm form);

} // namespace ostrel
