// The session bus setting the window host makes before the first widget: it
// must never replace a bus the desktop has, only keep D-Bus from starting one.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <cstdlib>
#include <optional>
#include <string>

#include "ScratchFolder.h"
#include "qt/QtWindowHost.h"

namespace {

constexpr char kBus[] = "DBUS_SESSION_BUS_ADDRESS";
constexpr char kRuntimeDir[] = "XDG_RUNTIME_DIR";

// Sets or clears one variable for the test and restores it afterwards.
class EnvironmentVariable {
  public:
    explicit EnvironmentVariable(const char* name) : name(name) {
        if (qEnvironmentVariableIsSet(name)) saved = qgetenv(name);
    }
    ~EnvironmentVariable() {
        if (saved) {
            qputenv(name, *saved);
        } else {
            qunsetenv(name);
        }
    }
    void Set(const std::optional<std::string>& value) {
        if (value) {
            qputenv(name, QByteArray::fromStdString(*value));
        } else {
            qunsetenv(name);
        }
    }

  private:
    const char* name;
    std::optional<QByteArray> saved;
};

struct BusCase {
    const char* what;
    std::optional<std::string> address;
    enum { NoRuntimeDir, EmptyRuntimeDir, RuntimeDirWithBus } runtimeDir;
    std::optional<std::string> expected;
};

TEST(QtWindowHostTest, SessionBusIsKeptWhereOneIsConfiguredAndRefusedElsewhere) {
    const BusCase cases[] = {
        {"address given", "unix:path=/run/user/1000/bus", BusCase::NoRuntimeDir,
         "unix:path=/run/user/1000/bus"},
        {"the runtime folder's bus", std::nullopt, BusCase::RuntimeDirWithBus, std::nullopt},
        {"a runtime folder without a bus", std::nullopt, BusCase::EmptyRuntimeDir, "disabled:"},
        {"no bus anywhere", std::nullopt, BusCase::NoRuntimeDir, "disabled:"},
    };
    for (const BusCase& c : cases) {
        SCOPED_TRACE(c.what);
        EnvironmentVariable bus(kBus);
        EnvironmentVariable runtimeDir(kRuntimeDir);
        ScratchFolder folder;
        ASSERT_TRUE(folder.Ok());
        if (c.runtimeDir == BusCase::RuntimeDirWithBus) {
            QFile socket(QString::fromStdString(folder.Join("bus")));
            ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        }
        bus.Set(c.address);
        runtimeDir.Set(c.runtimeDir == BusCase::NoRuntimeDir
                           ? std::nullopt
                           : std::optional<std::string>(folder.Path()));

        QtWindowHost::SkipSessionBusStart();

        ASSERT_EQ(qEnvironmentVariableIsSet(kBus), c.expected.has_value());
        if (c.expected) {
            EXPECT_EQ(qgetenv(kBus).toStdString(), *c.expected);
        }
    }
}

}  // namespace
