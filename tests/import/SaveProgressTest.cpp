#include "Connection.h"
#include "ForwardingProvider.h"
#include "SaveProgress.h"

#include <QThread>
#include <gtest/gtest.h>

// The save's paint throttle, with a provider that only records the progress
// handler it is given, so the test can call it as the database would.
namespace {

class HandlerHolder : public ForwardingProvider {
public:
    explicit HandlerHolder(std::function<void()>& slot) : ForwardingProvider(createProvider()), m_slot(slot) {}
    void setProgressHandler(std::function<void()> handler) override { m_slot = std::move(handler); }

private:
    std::function<void()>& m_slot;
};

}  // namespace

TEST(SaveProgress, PaintsAtMostOncePerIntervalAlwaysTheLastRowAndLongStatementsToo)
{
    std::function<void()> fromDatabase;
    Connection db(std::make_unique<HandlerHolder>(fromDatabase));
    std::vector<int> painted;
    int startedWith = -1;
    {
        SaveProgress progress(db, {[&](int rows) { startedWith = rows; }, [&](int row) { painted.push_back(row); }},
                              40);
        ASSERT_TRUE(fromDatabase);
        fromDatabase();  // before the first row: nothing to show
        EXPECT_TRUE(painted.empty());

        ChequeSave::Hooks h = progress.hooks();
        h.started(1000);
        EXPECT_EQ(startedWith, 1000);
        // A thousand quick rows: painted rarely, the last one for sure.
        for (int r = 1; r <= 1000; ++r) {
            h.rowStarted(r);
            h.rowDone(r);
        }
        EXPECT_EQ(progress.currentRow(), 1000);
        ASSERT_FALSE(painted.empty());
        EXPECT_LE(painted.size(), 3u);
        EXPECT_EQ(painted.back(), 1000);

        // One statement that runs long: the database's calls keep the counter alive.
        painted.clear();
        for (int i = 0; i < 5; ++i) {
            QThread::msleep(50);
            fromDatabase();
        }
        EXPECT_EQ(painted, std::vector<int>(5, 1000));
        fromDatabase();  // too soon after the last paint
        EXPECT_EQ(painted.size(), 5u);
    }
    // Gone with the progress object.
    EXPECT_FALSE(fromDatabase);
}
