// thread-view-screenshot: a small host with a display that runs a few
// threads through the module's thread-manager interface, shows them in a
// QTableView, refreshes it for a few seconds so the CPU figures fill in, and
// saves a picture of the window for a person to look at.
//   thread-view-screenshot <output.png>
// Meant for a virtual display (scripts/thread-view-screenshot.sh).

#include <maplink/IThreadManagerInterface.h>

#include <QApplication>
#include <QTableView>
#include <QTimer>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int kRefreshMs = 200;
// Long enough for two CPU samples (they are at least 1000 ms apart).
constexpr int kRunMs = 2500;

// Waits for the link's traffic: mostly idle.
int32_t WaitForTraffic(void* /*object*/, int32_t /*threadIndex*/) { return 10; }

// Busy map logic: a burst of work, then at once the next one.
int32_t RunMapLogic(void* /*object*/, int32_t /*threadIndex*/) {
  volatile uint64_t sum = 0;
  for (uint64_t i = 0; i < 200000; ++i) sum = sum + i * i;
  return 0;
}

int32_t WriteRecords(void* /*object*/, int32_t /*threadIndex*/) { return 50; }

// Ends its thread at once: its row reads "ERROR".
int32_t QuitAtOnce(void* /*object*/, int32_t /*threadIndex*/) { return -1; }

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  const QString output = QString::fromLocal8Bit(argv[1]);

  QTableView view;
  view.setWindowTitle(QStringLiteral("maplink threads"));
  view.resize(520, 190);
  IThreadManagerInterface* threads = GetThreadManagerInterface();
  threads->SetListView(&view);
  threads->AddThread("SendToGameServer", ThreadFunc{&WaitForTraffic, nullptr}, false);
  threads->AddThread("RecvFromGameServer", ThreadFunc{&WaitForTraffic, nullptr}, false);
  threads->AddThread("MapLogic", ThreadFunc{&RunMapLogic, nullptr}, false);
  threads->AddThread("DBWriter", ThreadFunc{&WriteRecords, nullptr}, true);
  threads->AddThread("Quitter", ThreadFunc{&QuitAtOnce, nullptr}, false);
  threads->StartAll();
  view.show();

  QTimer refresh;
  QObject::connect(&refresh, &QTimer::timeout, [threads] { threads->RefreshListView(); });
  refresh.start(kRefreshMs);
  threads->RefreshListView();
  view.selectRow(2);

  int result = 1;
  QTimer::singleShot(kRunMs, [&] {
    refresh.stop();
    threads->RefreshListView();
    result = view.window()->grab().save(output) ? 0 : 1;
    if (result != 0) std::fprintf(stderr, "could not write %s\n", argv[1]);
    application.quit();
  });
  application.exec();
  threads->SetListView(nullptr);
  threads->ExitAll();
  return result;
}
