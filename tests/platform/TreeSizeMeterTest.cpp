#include "platform/TreeSizeMeter.h"
#include "support/TaskRunner.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(TreeSizeMeterTest, MeasuresOffTheMainThreadOneWalkAtATime)
{
    QTemporaryDir dir;
    // A model cache laid out as snapshots linking to blobs: blobs count once.
    QDir().mkpath(dir.filePath(QStringLiteral("blobs")));
    QDir().mkpath(dir.filePath(QStringLiteral("snapshots/main")));
    QFile blob(dir.filePath(QStringLiteral("blobs/abc")));
    ASSERT_TRUE(blob.open(QIODevice::WriteOnly));
    blob.write(QByteArray(4096, 'w'));
    blob.close();
    QFile::link(dir.filePath(QStringLiteral("blobs/abc")), dir.filePath(QStringLiteral("snapshots/main/model.bin")));

    TreeSizeMeter meter;
    QSignalSpy spy(&meter, &TreeSizeMeter::measured);
    ASSERT_TRUE(meter.request(dir.path()));
    EXPECT_FALSE(meter.request(dir.path()));
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 1; }));
    EXPECT_EQ(spy.at(0).at(0).toLongLong(), 4096);
    EXPECT_FALSE(meter.busy());

    ASSERT_TRUE(meter.request(dir.filePath(QStringLiteral("missing"))));
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 2; }));
    EXPECT_EQ(spy.at(1).at(0).toLongLong(), 0);
}
