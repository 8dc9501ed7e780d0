// Reply framing on the raw socket, for shapes the source family may send:
// definite-length blocks with line feeds inside, stray NULs, no terminator.
#include "link/LanTransport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace ostrel;

namespace {

class LanFraming : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        ASSERT_TRUE(lan.connectTo(QStringLiteral("127.0.0.1"), server_.serverPort(), 10, 100));
        ASSERT_TRUE(server_.hasPendingConnections() || server_.waitForNewConnection(3000));
        peer_.reset(server_.nextPendingConnection());
    }
    // Writes `first` now and `second` after `laterMs`, as a source answering in pieces.
    void answer(const QByteArray& first, const QByteArray& second = {}, int laterMs = 30) {
        peer_->write(first);
        peer_->flush();
        if (!second.isEmpty())
            QTimer::singleShot(laterMs, peer_.get(), [this, second] {
                peer_->write(second);
                peer_->flush();
            });
    }

    LanTransport lan;

private:
    QTcpServer server_;
    std::unique_ptr<QTcpSocket> peer_;
};

TEST_F(LanFraming, BlockIsReadToItsAnnouncedLengthPastLineFeedsInside) {
    answer(QByteArray("#210ab\ncd", 9), QByteArray("\nefgh\n#", 7));
    bool complete = false;
    EXPECT_EQ(lan.receiveBlock(2000, 3, complete), QByteArray("#210ab\ncd\nefgh"));
    EXPECT_TRUE(complete);
    EXPECT_EQ(lan.bytesReceived(), 1) << "the byte after the block's line feed stays";
}

TEST_F(LanFraming, BlockTimeOutReturnsWhatCame) {
    answer("#15ab");
    bool complete = true;
    EXPECT_EQ(lan.receiveBlock(100, 3, complete), QByteArray("#15ab"));
    EXPECT_FALSE(complete);
}

QByteArray line(LanTransport& lan, int timeoutMs, ReplyStatus expected) {
    QByteArray reply;
    EXPECT_EQ(lan.receiveLine(timeoutMs, 3, reply), expected);
    return reply;
}

TEST_F(LanFraming, LineRepliesLoseTheirTerminators) {
    answer(QByteArray("abc\n\0", 5));
    EXPECT_EQ(line(lan, 1000, ReplyStatus::Ok), QByteArray("abc"));
    lan.discardInput();
    // A pause longer than two looks (10 ms apart here) does not end a reply.
    answer("60.0\r", "\n");
    EXPECT_EQ(line(lan, 1000, ReplyStatus::Ok), QByteArray("60.0"));
    answer("1,2,", "3,4\n");
    bool complete = false;
    EXPECT_EQ(lan.receiveBlock(1000, 3, complete), QByteArray("1,2,3,4"));
    EXPECT_TRUE(complete);
}

TEST_F(LanFraming, ReplyWithoutItsLineFeedIsCutAndNothingIsATimeOut) {
    answer("KORVATH INSTRUM");
    EXPECT_EQ(line(lan, 200, ReplyStatus::Cut), QByteArray("KORVATH INSTRUM"));
    EXPECT_TRUE(line(lan, 100, ReplyStatus::TimedOut).isEmpty());
}

TEST_F(LanFraming, ASourceThatNeverTerminatesIsKnownByItsFirstReply) {
    answer("xyz");
    QByteArray reply;
    EXPECT_EQ(lan.receiveFirstReply(300, 3, reply), ReplyStatus::Ok);
    EXPECT_EQ(reply, QByteArray("xyz"));
    EXPECT_FALSE(lan.terminatedReplies());
    // From now on a reply ends when the count stops growing.
    answer("60.0");
    EXPECT_EQ(line(lan, 500, ReplyStatus::Ok), QByteArray("60.0"));
}

} // namespace
