#include "QVDAFrame.h"

#include <QList>

#include <cstring>

#include <gtest/gtest.h>

namespace {

quint64 word(const QByteArray& bytes, int offset)
{
    quint64 v = 0;
    std::memcpy(&v, bytes.constData() + offset, 8);
    return v;
}

QByteArray rawHeader(quint64 length, quint64 tag)
{
    QByteArray bytes(16, '\0');
    std::memcpy(bytes.data(), &length, 8);
    std::memcpy(bytes.data() + 8, &tag, 8);
    return bytes;
}

}  // namespace

TEST(LinkFrame, BuildsLengthTagAndPayload)
{
    const QByteArray payload(500, 'p');
    const QByteArray frame = QVDAFrame::build(payload, 2);
    ASSERT_EQ(frame.size(), 516);
    EXPECT_EQ(word(frame, 0), 508u);
    EXPECT_EQ(word(frame, 8), 2u);
    EXPECT_EQ(frame.mid(16), payload);
    EXPECT_TRUE(QVDAFrame::build(QByteArray(), 2).isEmpty());
}

TEST(LinkFrame, ReadsCoalescedFramesInOrder)
{
    QVDAFrame::Reader reader;
    reader.feed(QVDAFrame::build("first", 1) + QVDAFrame::build("second", 2) + QVDAFrame::build("x", 3));
    auto a = reader.next();
    auto b = reader.next();
    auto c = reader.next();
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->tag, 1u);
    EXPECT_EQ(a->payload, QByteArray("first"));
    EXPECT_EQ(b->tag, 2u);
    EXPECT_EQ(b->payload, QByteArray("second"));
    EXPECT_EQ(c->tag, 3u);  // an unknown tag is still read whole, so the next frame lines up
    EXPECT_FALSE(reader.next());
    EXPECT_FALSE(reader.failed());
}

TEST(LinkFrame, ReadsFramesSplitAtEveryByte)
{
    const QByteArray stream = QVDAFrame::build("alpha", 2) + QVDAFrame::build(QByteArray(300, 'b'), 1);
    for (int cut = 0; cut <= stream.size(); ++cut) {
        QVDAFrame::Reader reader;
        QList<QVDAFrame::Frame> frames;
        reader.feed(stream.left(cut));
        while (auto f = reader.next()) {
            frames.append(*f);
        }
        reader.feed(stream.mid(cut));
        while (auto f = reader.next()) {
            frames.append(*f);
        }
        ASSERT_EQ(frames.size(), 2) << "cut at " << cut;
        EXPECT_EQ(frames[0].payload, QByteArray("alpha"));
        EXPECT_EQ(frames[1].payload, QByteArray(300, 'b'));
    }
    // One byte at a time.
    QVDAFrame::Reader reader;
    int count = 0;
    for (char c : stream) {
        reader.feed(&c, 1);
        while (reader.next()) {
            ++count;
        }
    }
    EXPECT_EQ(count, 2);
}

TEST(LinkFrame, BadLengthFieldsFailTheStream)
{
    for (quint64 length : {quint64(0), quint64(7), QVDAFrame::maxLength + 1, ~quint64(0)}) {
        QVDAFrame::Reader reader;
        reader.feed(rawHeader(length, 2) + QByteArray(32, 'x'));
        EXPECT_FALSE(reader.next()) << length;
        EXPECT_TRUE(reader.failed()) << length;
        EXPECT_EQ(reader.badLength(), length);
        reader.feed(QVDAFrame::build("later", 2));
        EXPECT_FALSE(reader.next());  // a failed stream stays failed
    }
    // Exactly 8 (an empty payload) and the largest allowed length are fine.
    QVDAFrame::Reader reader;
    reader.feed(rawHeader(8, 3));
    auto empty = reader.next();
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->payload.isEmpty());
    reader.feed(rawHeader(QVDAFrame::maxLength, 2));
    EXPECT_FALSE(reader.next());
    EXPECT_FALSE(reader.failed());
}
