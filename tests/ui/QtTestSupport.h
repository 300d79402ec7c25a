#pragma once

// Qt for the list-view tests: every test program that links
// QtTestSupport.cpp runs its tests with a QApplication on the
// offscreen platform, created on the main thread, which is the display
// thread of these tests.

#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

namespace maplink::test {

// Collects what QAbstractItemModelTester reports (its warnings, category
// "qt.modeltest") while it lives; other Qt messages pass on unchanged.
class ModelTestFaults {
 public:
  ModelTestFaults();
  ~ModelTestFaults();
  ModelTestFaults(const ModelTestFaults&) = delete;
  ModelTestFaults& operator=(const ModelTestFaults&) = delete;

  std::vector<std::string> Faults() const;

 private:
  static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

  const QtMessageHandler m_Previous;
  mutable std::mutex m_Mutex;
  std::vector<std::string> m_Faults;
};

}  // namespace maplink::test
