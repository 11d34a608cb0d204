#include "net/ManagedBuffer.h"

#include <gtest/gtest.h>

#include "net/Exceptions.h"

namespace corvalet {
namespace {

TEST(ManagedBufferTest, ConsumingAdvancesTheOffsetAndReadingEverythingEmptiesTheBlock) {
    TNetManagedBuffer buffer;
    std::size_t removed = 0;
    buffer.OnRemoved = [&](std::size_t count) { removed += count; };
    buffer.Append("hello world", 11);
    EXPECT_EQ(buffer.Extract(6), "hello ");
    EXPECT_EQ(buffer.Offset(), 6u);
    EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), "world");
    buffer.Append("!", 1);
    buffer.Remove(6);
    EXPECT_TRUE(buffer.Empty());
    EXPECT_EQ(buffer.Offset(), 0u);
    EXPECT_EQ(removed, 12u);
}

TEST(ManagedBufferTest, UnreadBytesMoveToTheFrontOnlyAfter32768Consumed) {
    TNetManagedBuffer buffer;
    const std::string block(40000, 'x');
    buffer.Append(block.data(), block.size());
    buffer.Append("tail", 4);
    buffer.Remove(32767);
    EXPECT_EQ(buffer.Offset(), 32767u);
    buffer.Remove(1);
    EXPECT_EQ(buffer.Offset(), 0u);
    EXPECT_EQ(buffer.Size(), 40004u - 32768u);
    buffer.Remove(buffer.Size() - 4);
    EXPECT_EQ(buffer.Extract(4), "tail");
}

TEST(ManagedBufferTest, TakingMoreThanItHoldsFails) {
    TNetManagedBuffer buffer;
    buffer.Append("abc", 3);
    EXPECT_THROW(buffer.Remove(4), ENetNotEnoughDataInBuffer);
    EXPECT_THROW(buffer.Extract(4), ENetNotEnoughDataInBuffer);
    EXPECT_EQ(buffer.Size(), 3u);
}

} // namespace
} // namespace corvalet
