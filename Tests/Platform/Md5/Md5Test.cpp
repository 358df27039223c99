// Every kernel and every lane count must give exactly Qt's MD5, whatever the
// lengths and however the bytes are cut into pieces.

#include <cstring>
#include <random>

#include <QByteArray>
#include <QCryptographicHash>

#include <gtest/gtest.h>

#include "Md5/Md5.h"

namespace {

QByteArray qtDigest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

QByteArray bytesOf(const Md5Digest& digest)
{
    return QByteArray(reinterpret_cast<const char*>(digest.data()), 16);
}

QByteArray randomBytes(std::mt19937& random, size_t length)
{
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    for (char& c : bytes) {
        c = char(random());
    }
    return bytes;
}

std::vector<Md5Kernel> supportedKernels()
{
    std::vector<Md5Kernel> kernels;
    for (Md5Kernel k : {Md5Kernel::scalar, Md5Kernel::avx2, Md5Kernel::avx512}) {
        if (Md5Lanes::supported(k)) {
            kernels.push_back(k);
        }
    }
    return kernels;
}

const char* nameOf(Md5Kernel k)
{
    return k == Md5Kernel::scalar ? "scalar" : k == Md5Kernel::avx2 ? "avx2" : "avx512";
}

class Md5LanesTest : public ::testing::Test {
protected:
    void TearDown() override { Md5Lanes::forceKernel(std::nullopt); }

    // Hashes `messages` (all of one length) in lanes, fed in pieces whose
    // lengths come from `random`, dropping the lanes in `drops` after the
    // first piece; checks every digest against Qt's.
    void check(const std::vector<QByteArray>& messages, std::mt19937& random, const std::vector<size_t>& drops = {})
    {
        Md5Lanes lanes(messages.size());
        const size_t length = messages.empty() ? 0 : size_t(messages.front().size());
        size_t done = 0;
        bool first = true;
        while (done < length) {
            const size_t piece = std::min(length - done, size_t(random() % 150) + 1);
            std::vector<const uint8_t*> data;
            for (const QByteArray& m : messages) {
                data.push_back(reinterpret_cast<const uint8_t*>(m.constData()) + done);
            }
            for (size_t i : drops) {
                if (!first) {
                    data[i] = nullptr;  // a dropped lane is never read
                }
            }
            lanes.add(data.data(), piece);
            if (first) {
                for (size_t i : drops) {
                    lanes.drop(i);
                }
                first = false;
            }
            done += piece;
        }
        if (length == 0) {
            for (size_t i : drops) {
                lanes.drop(i);
            }
        }
        const auto digests = lanes.finish();
        ASSERT_EQ(digests.size(), messages.size());
        for (size_t i = 0; i < messages.size(); ++i) {
            const bool droppedLane = std::find(drops.begin(), drops.end(), i) != drops.end();
            if (droppedLane) {
                EXPECT_FALSE(digests[i]) << "lane " << i;
                continue;
            }
            ASSERT_TRUE(digests[i]) << "lane " << i;
            EXPECT_EQ(bytesOf(*digests[i]).toHex(), qtDigest(messages[i]).toHex())
                << nameOf(Md5Lanes::kernel()) << ", " << messages.size() << " lanes, length " << length
                << ", lane " << i;
        }
    }
};

}  // namespace

TEST(Md5Test, KnownDigestsAndPieces)
{
    // The test suite of RFC 1321.
    const std::pair<const char*, const char*> known[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, hex] : known) {
        const Md5Digest digest = Md5::of(text, std::strlen(text));
        const std::array<char, 32> digits = Md5::hex(digest);
        EXPECT_EQ(std::string(digits.data(), 32), hex) << '"' << text << '"';
    }
    // Fed a byte at a time and in odd pieces across block edges.
    std::mt19937 random(7);
    const QByteArray bytes = randomBytes(random, 1000);
    Md5 byByte;
    for (char c : bytes) {
        byByte.add(&c, 1);
    }
    EXPECT_EQ(bytesOf(byByte.finish()), qtDigest(bytes));
    Md5 byPieces;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype piece = std::min<qsizetype>(bytes.size() - at, qsizetype(random() % 130));
        byPieces.add(bytes.constData() + at, size_t(piece));
        at += piece;
    }
    EXPECT_EQ(bytesOf(byPieces.finish()), qtDigest(bytes));
}

TEST_F(Md5LanesTest, EveryKernelAndLaneCountMatchesQt)
{
    std::mt19937 random(4242);
    for (Md5Kernel kernel : supportedKernels()) {
        Md5Lanes::forceKernel(kernel);
        ASSERT_EQ(Md5Lanes::kernel(), kernel);
        // Up to two batches of the widest kernel and one more.
        for (size_t count = 1; count <= 33; ++count) {
            for (int round = 0; round < 6; ++round) {
                const size_t length = random() % (3 * 64 + 2);  // 0 .. three blocks and one byte
                std::vector<QByteArray> messages;
                for (size_t i = 0; i < count; ++i) {
                    messages.push_back(randomBytes(random, length));
                }
                check(messages, random);
            }
        }
        // The lengths where the padding takes one block or two.
        for (size_t length : {55u, 56u, 63u, 64u, 119u, 120u}) {
            std::vector<QByteArray> messages;
            for (size_t i = 0; i < 11; ++i) {
                messages.push_back(randomBytes(random, length));
            }
            check(messages, random);
        }
    }
}

TEST_F(Md5LanesTest, EqualMessagesAgreeAndDroppedLanesLeaveTheOthersRight)
{
    std::mt19937 random(99);
    for (Md5Kernel kernel : supportedKernels()) {
        Md5Lanes::forceKernel(kernel);
        // Copies in different lanes and batches give one digest.
        const QByteArray same = randomBytes(random, 5000);
        std::vector<QByteArray> copies(20, same);
        Md5Lanes lanes(copies.size());
        std::vector<const uint8_t*> data;
        for (const QByteArray& m : copies) {
            data.push_back(reinterpret_cast<const uint8_t*>(m.constData()));
        }
        lanes.add(data.data(), size_t(same.size()));
        const auto digests = lanes.finish();
        for (const auto& digest : digests) {
            ASSERT_TRUE(digest);
            EXPECT_EQ(bytesOf(*digest), qtDigest(same)) << nameOf(kernel);
        }

        // Drops: a single survivor in a batch, a whole batch gone, the first lane gone.
        for (const std::vector<size_t>& drops :
             {std::vector<size_t>{0}, std::vector<size_t>{1, 2, 3, 4, 5, 6, 7}, std::vector<size_t>{8, 9, 10, 11, 12, 13, 14, 15},
              std::vector<size_t>{0, 16}}) {
            std::vector<QByteArray> messages;
            for (size_t i = 0; i < 17; ++i) {
                messages.push_back(randomBytes(random, 777));
            }
            check(messages, random, drops);
        }
    }
}

TEST_F(Md5LanesTest, FollowersEndWithTheirLeadersDigestAndThoseThatPartAreHashedFromThere)
{
    // As the engine feeds a group: every lane whose first piece equals lane
    // 0's follows it; before each later piece, a follower whose piece
    // differs goes on alone. Pieces of any length cut blocks anywhere, the
    // lanes span batches, and sometimes the leader is dropped midway.
    std::mt19937 random(7);
    for (Md5Kernel kernel : supportedKernels()) {
        Md5Lanes::forceKernel(kernel);
        for (int round = 0; round < 40; ++round) {
            const size_t length = random() % 700 + 1;
            const size_t count = random() % 20 + 2;
            const QByteArray base = randomBytes(random, length);
            std::vector<QByteArray> messages(count, base);
            for (size_t i = 1; i < count; ++i) {
                if (random() % 2) {
                    messages[i][qsizetype(random() % length)] ^= 1;
                }
            }
            const bool dropLeader = round % 4 == 3;
            Md5Lanes lanes(count);
            for (size_t done = 0; done < length;) {
                const size_t piece = std::min(length - done, size_t(random() % 150) + 1);
                std::vector<const uint8_t*> data;
                for (const QByteArray& m : messages) {
                    data.push_back(reinterpret_cast<const uint8_t*>(m.constData()) + done);
                }
                if (dropLeader && done > 0 && !lanes.dropped(0)) {
                    lanes.drop(0);
                    data[0] = nullptr;
                }
                for (size_t i = 1; i < count; ++i) {
                    if (done == 0 && std::memcmp(data[i], data[0], piece) == 0) {
                        lanes.follow(i, 0);
                    } else if (lanes.following(i) && std::memcmp(data[i], data[lanes.leaderOf(i)], piece) != 0) {
                        lanes.unfollow(i);
                    }
                }
                lanes.add(data.data(), piece);
                done += piece;
            }
            for (size_t i = 1; i < count && !lanes.dropped(0); ++i) {
                if (messages[i] == base) {
                    EXPECT_TRUE(lanes.following(i)) << "a copy is never hashed";
                }
            }
            const auto digests = lanes.finish();
            for (size_t i = 0; i < count; ++i) {
                if (i == 0 && lanes.dropped(0)) {
                    EXPECT_FALSE(digests[i]);
                    continue;
                }
                ASSERT_TRUE(digests[i]) << "lane " << i;
                EXPECT_EQ(bytesOf(*digests[i]).toHex(), qtDigest(messages[i]).toHex())
                    << nameOf(kernel) << ", " << count << " lanes, length " << length << ", lane " << i;
            }
        }
    }
}

TEST_F(Md5LanesTest, WithoutWideInstructionsTheScalarRoundsServe)
{
    Md5Lanes::forceKernel(Md5Kernel::scalar);
    EXPECT_EQ(Md5Lanes::kernel(), Md5Kernel::scalar);
    EXPECT_EQ(Md5Lanes::lanesOf(Md5Lanes::kernel()), 1);
    std::mt19937 random(3);
    std::vector<QByteArray> messages;
    for (int i = 0; i < 5; ++i) {
        messages.push_back(randomBytes(random, 1 << 20));
    }
    check(messages, random);
    // Nothing forced: the widest the processor has.
    Md5Lanes::forceKernel(std::nullopt);
    const Md5Kernel widest = Md5Lanes::supported(Md5Kernel::avx512) ? Md5Kernel::avx512
                             : Md5Lanes::supported(Md5Kernel::avx2) ? Md5Kernel::avx2
                                                                    : Md5Kernel::scalar;
    if (qEnvironmentVariableIsEmpty("TWINSWEEP_MD5_KERNEL")) {
        EXPECT_EQ(Md5Lanes::kernel(), widest);
    }
}

TEST_F(Md5LanesTest, LargePiecesOverManyBlocks)
{
    // Pieces of the size files are read in, with a last one that is short.
    std::mt19937 random(11);
    for (Md5Kernel kernel : supportedKernels()) {
        Md5Lanes::forceKernel(kernel);
        const size_t length = 3 * 65536 + 17;
        std::vector<QByteArray> messages;
        for (int i = 0; i < 9; ++i) {
            messages.push_back(randomBytes(random, length));
        }
        Md5Lanes lanes(messages.size());
        for (size_t done = 0; done < length;) {
            const size_t piece = std::min<size_t>(65536, length - done);
            std::vector<const uint8_t*> data;
            for (const QByteArray& m : messages) {
                data.push_back(reinterpret_cast<const uint8_t*>(m.constData()) + done);
            }
            lanes.add(data.data(), piece);
            done += piece;
        }
        const auto digests = lanes.finish();
        for (size_t i = 0; i < messages.size(); ++i) {
            EXPECT_EQ(bytesOf(*digests[i]), qtDigest(messages[i])) << nameOf(kernel) << " lane " << i;
        }
    }
}
