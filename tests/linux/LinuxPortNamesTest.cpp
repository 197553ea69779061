#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "LinuxPortNames.h"
#include "PtyPair.h"
#include "ScratchFolder.h"
#include "TermiosCommDevice.h"
#include "serial/PortDiscovery.h"

namespace {

std::string NameOf(const LinuxPortNames& names, uint16_t port) {
    char out[LinuxPortNames::kPathCapacity];
    return names.DeviceName(port, out, sizeof(out)) ? std::string(out) : std::string("<none>");
}

TEST(LinuxPortNames, TableMapsThirtyTwoNumbersPerDeviceFamily) {
    const LinuxPortNames names("");
    const struct {
        uint16_t port;
        const char* device;
    } cases[] = {
        {1, "/dev/ttyS0"},     {32, "/dev/ttyS31"},    {33, "/dev/ttyUSB0"}, {64, "/dev/ttyUSB31"},
        {65, "/dev/ttyACM0"},  {96, "/dev/ttyACM31"},  {97, "/dev/rfcomm0"}, {128, "/dev/rfcomm31"},
        {129, "/dev/ttyAMA0"}, {160, "/dev/ttyAMA31"}, {0, "<none>"},        {161, "<none>"},
        {254, "<none>"},       {65535, "<none>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameOf(names, c.port), c.device) << "COM" << c.port;
    }
    EXPECT_FALSE(names.Exists(0));
    EXPECT_FALSE(names.Exists(161));
}

TEST(LinuxPortNames, ANameThatDoesNotFitIsRefusedNotCut) {
    const LinuxPortNames names("");
    char out[32];
    EXPECT_FALSE(names.DeviceName(33, out, 12));  // "/dev/ttyUSB0" needs 13
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(names.DeviceName(1, out, 11));
    EXPECT_STREQ(out, "/dev/ttyS0");
}

TEST(LinuxPortNames, PortsFolderBesideTheProgramOverridesTheTable) {
    ScratchFolder directory;
    PtyPair pty;
    ASSERT_TRUE(directory.Ok() && pty.Ok());
    const std::string plainFile = directory.Path() + "plain-file";
    std::ofstream(plainFile) << "x";
    ScopedPortLink toPty(directory.Path(), 3, pty.SlavePath());
    ScopedPortLink beyondTable(directory.Path(), 200, pty.SlavePath());
    ScopedPortLink dangling(directory.Path(), 1, directory.Path() + "gone");
    ScopedPortLink notADevice(directory.Path(), 2, plainFile);
    ASSERT_TRUE(toPty.Ok() && beyondTable.Ok() && dangling.Ok() && notADevice.Ok());

    // With and without the trailing slash the program directory may come in.
    std::string withoutSlash = directory.Path();
    withoutSlash.pop_back();
    for (const std::string& programDirectory : {directory.Path(), withoutSlash}) {
        SCOPED_TRACE(programDirectory);
        const LinuxPortNames names(programDirectory.c_str());
        EXPECT_EQ(NameOf(names, 3), directory.Path() + "ports/com3");
        EXPECT_TRUE(names.Exists(3));
        EXPECT_TRUE(names.Exists(200));
        // A dangling link still names the port, so that COM1 never falls back
        // to the machine's /dev/ttyS0; the port is absent.
        EXPECT_EQ(NameOf(names, 1), directory.Path() + "ports/com1");
        EXPECT_FALSE(names.Exists(1));
        EXPECT_FALSE(names.Exists(2));
        // Numbers without an entry keep the table.
        EXPECT_EQ(NameOf(names, 4), "/dev/ttyS3");
        EXPECT_FALSE(names.Exists(201));
    }
}

TEST(LinuxPortNames, AProgramDirectoryTooLongToHoldIsIgnored) {
    const std::string huge(LinuxPortNames::kPathCapacity, 'a');
    const LinuxPortNames names(huge.c_str());
    EXPECT_EQ(NameOf(names, 1), "/dev/ttyS0");
}

// A made-up /sys and /dev/serial/by-id in a scratch folder: the test never
// looks at the machine's own serial ports.
struct FakeSystem {
    FakeSystem() {
        std::filesystem::create_directories(folder.Join("dev/serial/by-id"));
        // Type 4 is a 16550A; 0 is a node without a UART behind it.
        UartType(0, "4\n");
        UartType(1, "0\n");
        UartType(2, "garbage");
        UartType(31, "1");
    }
    void UartType(unsigned index, const std::string& text) {
        const std::string dir = folder.Join("sys/class/tty/ttyS" + std::to_string(index));
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/type") << text;
    }
    void ActiveConsoles(const std::string& text) {
        const std::string dir = folder.Join("sys/class/tty/console");
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/active") << text;
    }
    std::string Sysfs() const { return folder.Join("sys"); }
    std::string ById() const { return folder.Join("dev/serial/by-id"); }

    ScratchFolder folder;
};

TEST(LinuxPortNames, ATtySPortIsPresentOnlyWhenSysfsReportsAUart) {
    FakeSystem system;
    ASSERT_TRUE(system.folder.Ok());
    const LinuxPortNames names("", system.Sysfs().c_str(), system.ById().c_str());
    const struct {
        uint16_t port;
        bool present;
    } cases[] = {
        {1, true}, {2, false}, {3, false}, {4, false}, {32, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(names.Exists(c.port), c.present) << "COM" << c.port;
    }
    // Without a sysfs to ask, no ttyS port is taken for present.
    const LinuxPortNames blind("", "", system.ById().c_str());
    EXPECT_FALSE(blind.Exists(1));
}

TEST(LinuxPortNames, DescribesTheDeviceAndItsStableNameWithoutOpeningIt) {
    FakeSystem system;
    ScratchFolder program;
    PtyPair adapter, plainPty;
    ASSERT_TRUE(system.folder.Ok() && program.Ok() && adapter.Ok() && plainPty.Ok());
    ScopedPortLink com33(program.Path(), 33, adapter.SlavePath());
    ScopedPortLink com40(program.Path(), 40, plainPty.SlavePath());
    ASSERT_TRUE(com33.Ok() && com40.Ok());
    // The way udev links an adapter: relative, to the node's name.
    const std::string node = adapter.SlavePath().substr(adapter.SlavePath().rfind('/') + 1);
    const std::string stable = "usb-Maker_Serial_Adapter_A1B2-if00-port0";
    ASSERT_EQ(symlink(("../../" + node).c_str(), (system.ById() + "/" + stable).c_str()), 0);

    const LinuxPortNames names(program.Path().c_str(), system.Sysfs().c_str(),
                               system.ById().c_str());
    const auto describe = [&](uint16_t port) {
        char out[LinuxPortNames::kPathCapacity];
        return names.Describe(port, out, sizeof(out)) ? std::string(out) : std::string("<none>");
    };
    EXPECT_EQ(describe(33), adapter.SlavePath() + " (" + stable + ")");
    EXPECT_EQ(describe(40), plainPty.SlavePath());
    EXPECT_EQ(describe(1), "/dev/ttyS0");
    EXPECT_EQ(describe(0), "<none>");
    EXPECT_EQ(describe(200), "<none>");

    char tiny[8];
    EXPECT_FALSE(names.Describe(33, tiny, sizeof(tiny)));
    EXPECT_STREQ(tiny, "");
}

TEST(LinuxPortNames, ConsoleListNamesTheDeviceByItsWholeName) {
    const struct {
        const char* list;
        const char* device;
        bool listed;
    } cases[] = {
        {"tty0 ttyS0\n", "/dev/ttyS0", true},
        {"ttyS0", "/dev/ttyS0", true},
        {"hvc0\tttyAMA0\n", "/dev/ttyAMA0", true},
        {"ttyS0\n", "/dev/ttyS1", false},
        {"ttyS10\n", "/dev/ttyS1", false},
        {"ttyS1\n", "/dev/ttyS10", false},
        {"ttyS0\n", "/tmp/ttyS0", false},
        {"ttyS0\n", "/dev/", false},
        {"", "/dev/ttyS0", false},
        {"\n", "/dev/ttyS0", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConsoleListNames(c.list, c.device), c.listed) << c.list << " / " << c.device;
    }
}

// A pty stands in for the console by its name in the made-up sysfs.
TEST(LinuxPortNames, AConsolePortIsListedAbsentAndMarkedButNeverOpened) {
    FakeSystem system;
    ScratchFolder program;
    PtyPair console, other;
    ASSERT_TRUE(system.folder.Ok() && program.Ok() && console.Ok() && other.Ok());
    ScopedPortLink com2(program.Path(), 2, console.SlavePath());
    ScopedPortLink com3(program.Path(), 3, other.SlavePath());
    ASSERT_TRUE(com2.Ok() && com3.Ok());
    system.ActiveConsoles("tty0 ttyS0 " + console.SlavePath().substr(sizeof("/dev/") - 1) + "\n");

    const LinuxPortNames names(program.Path().c_str(), system.Sysfs().c_str(),
                               system.ById().c_str());
    char out[LinuxPortNames::kPathCapacity];
    EXPECT_TRUE(names.IsConsole(1));  // /dev/ttyS0 from the table, by name only
    EXPECT_TRUE(names.IsConsole(2));
    EXPECT_FALSE(names.IsConsole(3));
    // Listed as not there, since it is never opened; the line under the list
    // still names it.
    EXPECT_FALSE(names.Exists(2));
    EXPECT_TRUE(names.Withheld(2));
    EXPECT_TRUE(names.Exists(3));
    EXPECT_FALSE(names.Withheld(3));
    ASSERT_TRUE(names.Describe(1, out, sizeof(out)));
    EXPECT_STREQ(out, "/dev/ttyS0 (console)");
    char list[kPortListCapacity];
    ASSERT_EQ(BuildPortList(names, 0, list, sizeof(list)), 0);
    EXPECT_EQ(std::string(list, 12), "___ ___ 003 ");
    char hint[kPortHintCapacity];
    BuildPortHint(names, list, hint, sizeof(hint));
    EXPECT_EQ(std::string(hint).rfind("COM1 = /dev/ttyS0 (console)\nCOM2 = " + console.SlavePath() +
                                          " (console)\nCOM3 = " + other.SlavePath() + "\n",
                                      0),
              0u)
        << hint;

    TermiosCommDevice device(names);
    EXPECT_FALSE(device.OpenDevice(2));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_TRUE(device.OpenDevice(3));
}

// Root may open anything, so the user without rights is played by a child
// that has become nobody; the pty's slave belongs to root and group tty.
TEST(LinuxPortNames, APortThisUserMayNotOpenIsMarked) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    constexpr uid_t kNobody = 65534;
    FakeSystem system;
    ScratchFolder program;
    PtyPair pty;
    ASSERT_TRUE(system.folder.Ok() && program.Ok() && pty.Ok());
    ScopedPortLink com1(program.Path(), 1, pty.SlavePath());
    ASSERT_TRUE(com1.Ok());
    const LinuxPortNames names(program.Path().c_str(), system.Sysfs().c_str(),
                               system.ById().c_str());
    char out[LinuxPortNames::kPathCapacity];
    ASSERT_TRUE(names.Describe(1, out, sizeof(out)));
    EXPECT_EQ(std::string(out), pty.SlavePath());

    int results[2];
    ASSERT_EQ(pipe(results), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(results[0]);
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(1);
        if (!names.Describe(1, out, sizeof(out))) _exit(2);
        const size_t length = strlen(out);
        _exit(write(results[1], out, length) == static_cast<ssize_t>(length) ? 0 : 3);
    }
    close(results[1]);
    std::string seen;
    char chunk[256];
    for (ssize_t got; (got = read(results[0], chunk, sizeof(chunk))) > 0;) seen.append(chunk, got);
    close(results[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(seen, pty.SlavePath() + " (no permission)");
}

}  // namespace
