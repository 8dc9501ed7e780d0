#include "measure/ArrayReply.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;

namespace {

QByteArray block(const QVector<double>& values, BlockNumberForm form) {
    QByteArray data;
    for (double v : values) {
        char bytes[8];
        if (form == BlockNumberForm::Single)
            qToBigEndian(static_cast<float>(v), bytes);
        else
            qToBigEndian(v, bytes);
        data.append(bytes, static_cast<int>(form));
    }
    const QByteArray count = QByteArray::number(data.size());
    return "#" + QByteArray::number(count.size()) + count + data + "\n";
}

TEST(ArrayReply, TextListsAreTakenWholeOrRefused) {
    struct Case {
        QByteArray reply;
        int maxCount;
        QVector<float> values;
        const char* error; // part of the message, "" when accepted
    };
    const Case cases[] = {
        {"1.5,-2,+3.25E+01\n", 4, {1.5f, -2.f, 32.5f}, ""},
        {"", 4, {}, ""},
        {"120.1,0.5", 51, {120.1f, 0.5f}, ""},
        {"1,2,3,4,5", 4, {}, "holds 5 values, more than the 4 expected"},
        {"1,2,x,4", 4, {}, "is not a list of numbers (value 3)"},
        {"1,+-2", 4, {}, "is not a list of numbers (value 2)"},
        {"1,,3", 4, {}, "is not a list of numbers (value 2)"},
        {" 0.5 , .25\r\n", 4, {0.5f, 0.25f}, ""},
    };
    for (const Case& c : cases) {
        const ArrayReply r = ParseAsciiArray(c.reply, c.maxCount, "fetch:arr:volt?");
        // As std::vector: Qt's own comparison of two empty lists hands memcmp a null pointer.
        EXPECT_EQ(std::vector<float>(r.values.begin(), r.values.end()),
                  std::vector<float>(c.values.begin(), c.values.end()))
            << c.reply.constData();
        EXPECT_TRUE(r.error.contains(c.error)) << r.error.toStdString();
        EXPECT_EQ(r.ok(), QByteArray(c.error).isEmpty());
        if (!r.ok()) {
            EXPECT_TRUE(r.error.contains("\"fetch:arr:volt?\""));
        }
    }
}

TEST(ArrayReply, BlocksAreReadByTheirLengthInEitherNumberForm) {
    const QVector<double> values{1.0, -2.5, 170.0, 0.125};
    for (BlockNumberForm form : {BlockNumberForm::Single, BlockNumberForm::Double}) {
        const ArrayReply r = ParseArrayReply(block(values, form), form, 4, "fetch:arr:curr?");
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.values, QVector<float>({1.f, -2.5f, 170.f, 0.125f}));
    }
    // Line feeds inside the data do not end it.
    const float lf = qFromBigEndian<float>("\x0a\x0a\x0a\x0a");
    const ArrayReply r = ParseBinaryBlock(block({lf, 1.0}, BlockNumberForm::Single),
                                          BlockNumberForm::Single, 2, "q");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.values, QVector<float>({lf, 1.f}));
}

TEST(ArrayReply, DamagedOrOversizedBlocksAreRefused) {
    const QByteArray four = block({1, 2, 3, 4}, BlockNumberForm::Single);
    struct Case {
        QByteArray reply;
        int maxCount;
        const char* error;
    };
    const Case cases[] = {
        {four, 3, "holds 4 values, more than the 3 expected"},
        {four.left(four.size() - 5), 4, "is incomplete: 12 of 16 bytes arrived"},
        {"#3", 4, "is incomplete"},
        {"#0\n", 4, "is not a definite-length block"},
        {"#2a4", 4, "is not a definite-length block"},
        {"#17abcdefg", 4, "holds 7 bytes, not a whole number of values"},
    };
    for (const Case& c : cases) {
        const ArrayReply r = ParseBinaryBlock(c.reply, BlockNumberForm::Single, c.maxCount, "q?");
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.values.isEmpty());
        EXPECT_TRUE(r.error.contains(c.error)) << r.error.toStdString();
    }
}

TEST(ArrayReply, BufferRoomCoversTheHeaderOfTheByteCount) {
    EXPECT_EQ(BlockBufferSize(4096, BlockNumberForm::Single), 16384 + 2 + 5 + 1);
    EXPECT_EQ(BlockBufferSize(2048, BlockNumberForm::Single), 8192 + 2 + 4 + 1);
    EXPECT_EQ(BlockBufferSize(4096, BlockNumberForm::Double), 32768 + 2 + 5 + 1);
}

} // namespace
