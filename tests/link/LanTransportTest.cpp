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

TEST_F(LanFraming, LineRepliesLoseTheirTerminators) {
    answer(QByteArray("abc\n\0", 5));
    EXPECT_EQ(lan.receiveReply(1000, 3), QByteArray("abc"));
    lan.discardInput();
    // The source has shown it ends replies with a line feed: a pause longer
    // than two looks (10 ms apart here) does not end the reply.
    answer("60.0\r", "\n");
    EXPECT_EQ(lan.receiveReply(1000, 3), QByteArray("60.0"));
    answer("1,2,", "3,4\n");
    bool complete = false;
    EXPECT_EQ(lan.receiveBlock(1000, 3, complete), QByteArray("1,2,3,4"));
    EXPECT_TRUE(complete);
}

TEST_F(LanFraming, ReplyWithoutLineFeedEndsWhenTheCountStopsGrowing) {
    answer("xyz");
    EXPECT_EQ(lan.receiveReply(500, 3), QByteArray("xyz"));
}

} // namespace
