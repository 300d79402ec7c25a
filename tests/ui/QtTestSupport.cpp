#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <atomic>
#include <cstring>
#include <memory>

namespace maplink::test {
namespace {

// The QApplication of the test program, made before the first test and
// destroyed after the last, on the thread that runs the tests.
class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    // No display in a test run: the offscreen platform renders into memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    m_Application = std::make_unique<QApplication>(m_Argc, m_Argv);
  }
  void TearDown() override { m_Application.reset(); }

 private:
  // QApplication keeps references to both for its whole life.
  char m_Name[16] = "maplink-ui-test";
  char* m_Argv[2] = {m_Name, nullptr};
  int m_Argc = 1;
  std::unique_ptr<QApplication> m_Application;
};

// The test framework owns the environment.
[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

std::atomic<ModelTestFaults*> g_ActiveFaults{nullptr};

}  // namespace

ModelTestFaults::ModelTestFaults() : m_Previous(qInstallMessageHandler(&ModelTestFaults::Handle)) {
  g_ActiveFaults.store(this);
}

ModelTestFaults::~ModelTestFaults() {
  qInstallMessageHandler(m_Previous);
  g_ActiveFaults.store(nullptr);
}

std::vector<std::string> ModelTestFaults::Faults() const {
  std::lock_guard lock(m_Mutex);
  return m_Faults;
}

void ModelTestFaults::Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  ModelTestFaults* faults = g_ActiveFaults.load();
  if (faults == nullptr) return;
  if (context.category != nullptr && std::strcmp(context.category, "qt.modeltest") == 0) {
    std::lock_guard lock(faults->m_Mutex);
    faults->m_Faults.push_back(message.toStdString());
    return;
  }
  if (faults->m_Previous != nullptr) faults->m_Previous(type, context, message);
}

}  // namespace maplink::test
