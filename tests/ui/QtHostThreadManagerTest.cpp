// Seen from a host with a display: only libmaplink.so, the public headers
// and the host's own Qt. The host's view, handed over as the
// QAbstractItemView the header only declares, shows the module's threads.

#include <gtest/gtest.h>

#include <QTableView>
#include <cstdint>
#include <string>

#include "LogCapture.h"
#include "common/WaitUntil.h"
#include "maplink/IThreadManagerInterface.h"

namespace {

int32_t Idle(void* /*object*/, int32_t /*threadIndex*/) { return 1; }

std::string Cell(const QAbstractItemView& view, int row, int column) {
  return view.model()->index(row, column).data().toString().toStdString();
}

TEST(QtHostThreadManagerTest, TheHostsViewShowsTheModulesThreads) {
  maplink::test::LogCapture capture;
  IThreadManagerInterface* threads = GetThreadManagerInterface();
  QTableView view;
  threads->SetListView(&view);
  ASSERT_NE(view.model(), nullptr);

  threads->AddThread("SendToGameServer", ThreadFunc{&Idle, nullptr}, false);
  threads->AddThread("RecvFromGameServer", ThreadFunc{&Idle, nullptr}, false);
  threads->StartAll();
  ASSERT_TRUE(maplink::test::WaitUntil([&] {
    threads->RefreshListView();
    return view.model()->rowCount() == 2 && Cell(view, 0, 4) == "Not Busy :)" &&
           Cell(view, 1, 4) == "Not Busy :)";
  }));
  EXPECT_EQ(Cell(view, 0, 0), "SendToGameServer");
  EXPECT_EQ(Cell(view, 1, 0), "RecvFromGameServer");
  EXPECT_EQ(view.model()->headerData(3, Qt::Horizontal).toString().toStdString(), "Kernel CPU Useage");

  threads->ExitAll();
  threads->RefreshListView();
  EXPECT_EQ(view.model()->rowCount(), 0);
  threads->SetListView(nullptr);
  EXPECT_EQ(view.model(), nullptr);
  EXPECT_TRUE(capture.Texts(maplink::test::LogLevel::Warn).empty());
}

}  // namespace
