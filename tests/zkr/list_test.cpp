#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "zkr/ErrorRecording.h"
#include "zkr/List.h"

namespace {

using velmora::test::RecordingApplication;
using velmora::test::ShownError;

struct Item {
    int32_t id;
    char label[12];
};

std::vector<int32_t> ids(zkr::List<Item>& list)
{
    std::vector<int32_t> result;
    for (int i = 0; i < list.count; ++i)
        result.push_back(static_cast<Item*>(list.itemAt(i))->id);
    return result;
}

class ListTest : public testing::Test {
protected:
    void fill(zkr::List<Item>& list, std::initializer_list<int32_t> values)
    {
        for (int32_t value : values) {
            Item item{value, "item"};
            ASSERT_EQ(list.append(&item), 0);
        }
    }

    RecordingApplication application;
};

TEST_F(ListTest, RemoveOutsideTheItemsReportsIndexOutOfRangeAndChangesNothing)
{
    zkr::List<Item> list(4);
    fill(list, {1, 2, 3});

    EXPECT_EQ(list.removeAt(-1), 13);
    EXPECT_EQ(list.removeAt(3), 13);
    EXPECT_EQ(list.lastError, toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(ids(list), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{toWire(engine::Error::IndexOutOfRange), "List"},
                                                          {toWire(engine::Error::IndexOutOfRange), "List"}}));
}

TEST_F(ListTest, RemoveMovesLaterItemsDown)
{
    zkr::List<Item> list(4);
    fill(list, {10, 20, 30, 40});

    EXPECT_EQ(list.removeAt(1), 0);
    EXPECT_EQ(ids(list), (std::vector<int32_t>{10, 30, 40}));
    EXPECT_EQ(list.slots[3], nullptr);
    EXPECT_EQ(list.removeAt(2), 0);
    EXPECT_EQ(list.removeAt(0), 0);
    EXPECT_EQ(ids(list), (std::vector<int32_t>{30}));
    EXPECT_EQ(list.lastError, 0);
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(ListTest, ItemAtOutsideTheItemsIsNullAndReportsNothing)
{
    zkr::List<Item> list(4);
    fill(list, {1, 2});
    list.lastError = 6;

    EXPECT_EQ(list.itemAt(-1), nullptr);
    EXPECT_EQ(list.itemAt(2), nullptr);
    EXPECT_EQ(list.itemAt(3), nullptr);
    EXPECT_EQ(list.lastError, toWire(engine::Error::SeekFailed));
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(ListTest, FullListWithoutAutoGrowReportsIndexOutOfRange)
{
    zkr::List<Item> list(2);
    fill(list, {1, 2});
    Item third{3, "third"};

    EXPECT_EQ(list.append(&third), 13);
    EXPECT_EQ(list.capacity, 2);
    EXPECT_EQ(ids(list), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{toWire(engine::Error::IndexOutOfRange), "List"}}));
}

TEST_F(ListTest, AutoGrowAddsOneSlotPerAppend)
{
    zkr::List<Item> list(1, true);
    for (int32_t id = 1; id <= 5; ++id) {
        Item item{id, "grown"};
        ASSERT_EQ(list.append(&item), 0);
        EXPECT_EQ(list.capacity, id);
    }
    EXPECT_EQ(ids(list), (std::vector<int32_t>{1, 2, 3, 4, 5}));

    zkr::List<Item> empty(0, true);
    fill(empty, {7});
    EXPECT_EQ(empty.capacity, 1);
    EXPECT_EQ(ids(empty), (std::vector<int32_t>{7}));
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(ListTest, ItemsAreCopiesInAndOut)
{
    zkr::List<Item> list(2);
    Item source{1, "first"};
    ASSERT_EQ(list.append(&source), 0);
    source.id = 99;
    std::strcpy(source.label, "changed");

    Item out{};
    EXPECT_EQ(list.readItem(0, &out), 0);
    EXPECT_EQ(out.id, 1);
    EXPECT_STREQ(out.label, "first");
    out.id = 55;
    EXPECT_EQ(static_cast<Item*>(list.itemAt(0))->id, 1);

    Item replacement{2, "second"};
    EXPECT_EQ(list.writeItem(0, &replacement), 0);
    replacement.id = 3;
    EXPECT_EQ(static_cast<Item*>(list.itemAt(0))->id, 2);
    EXPECT_STREQ(static_cast<Item*>(list.itemAt(0))->label, "second");
}

TEST_F(ListTest, ReadAndWriteOutsideTheItemsReportIndexOutOfRange)
{
    zkr::List<Item> list(2);
    fill(list, {1});
    Item item{8, "x"};

    EXPECT_EQ(list.readItem(1, &item), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(item.id, 8);
    EXPECT_EQ(list.writeItem(-1, &item), toWire(engine::Error::IndexOutOfRange));
    EXPECT_EQ(ids(list), (std::vector<int32_t>{1}));
    EXPECT_EQ(application.shown, (std::vector<ShownError>{{toWire(engine::Error::IndexOutOfRange), "List"},
                                                          {toWire(engine::Error::IndexOutOfRange), "List"}}));
}

TEST_F(ListTest, ClearEmptiesTheListAndKeepsItUsable)
{
    zkr::List<Item> list(3);
    fill(list, {1, 2, 3});

    list.clear();
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 3);
    EXPECT_EQ(list.itemAt(0), nullptr);
    fill(list, {4});
    EXPECT_EQ(ids(list), (std::vector<int32_t>{4}));
    // Whatever is left is freed by the destructor (the leak checker watches).
}

} // namespace
