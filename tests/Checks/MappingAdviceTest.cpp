// The mapping advice in each desktop's own terms: the text for every verdict,
// and names with blanks, quotes and shell characters arriving whole in the
// command they are pasted into.

#include <gmock/gmock.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Checks/MappingAdvice.h"
#include "tests/Checks/MappingSamples.h"

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace mapping_samples;

namespace {

// The controller's touchscreen under another name.
TouchscreenDevice Named(const std::string& name) {
    TouchscreenDevice device;
    device.Name = name;
    device.Vendor = 0x2F7A;
    device.Product = 0x0006;
    return device;
}

const TouchscreenDevice kDevice = Named("Brightfold BFT860");
// Everything a shell or a desktop's parser could take for its own.
const TouchscreenDevice kHostile = Named("Touch \"$(rm -rf ~)\" it's `id` ; done!");

const DesktopSession kX11{SessionKind::X11};
const DesktopSession kSway{SessionKind::Wayland, Compositor::Sway};
const DesktopSession kGnome{SessionKind::Wayland, Compositor::Gnome};
const DesktopSession kKde{SessionKind::Wayland, Compositor::Kde};
const DesktopSession kHyprland{SessionKind::Wayland, Compositor::Hyprland};
const DesktopSession kLabwc{SessionKind::Wayland, Compositor::Labwc};
const DesktopSession kWayland{SessionKind::Wayland};
// Quotes, XML's and the shell's own characters, and history expansion.
const TouchscreenDevice kMarked = Named("Touch \"A\" & <B> it's!");

MappingVerdict WholeOfTwoScreens(Orientation turn = Orientation::Normal) {
    return JudgeMapping(TurnedSamples(turn, 2), TwoScreens(), SessionKind::Wayland);
}

MappingVerdict Turned(Orientation turn) {
    return JudgeMapping(TurnedSamples(turn), OneScreen(), SessionKind::Wayland);
}

// The test screen is DP-1; the touches go to VGA-1, which overlaps it.
DesktopLayout WithClone() {
    DesktopLayout layout = TwoScreens();
    layout.Screens.insert(layout.Screens.begin() + 1, {"VGA-1", {0, 0, 1024, 768}});
    return layout;
}

MappingVerdict OnTheClone() {
    return JudgeMapping(Samples([](AccuracyPoint f) {
                            return AccuracyPoint{f.X * 1024, f.Y * 768};
                        }),
                        WithClone(), SessionKind::Wayland);
}

// The advice is pasted into a shell on Linux; a Windows build of these tests
// has no bash to paste it into.
#ifdef _WIN32
constexpr bool kBashToPasteInto = false;
#else
constexpr bool kBashToPasteInto = true;
#endif

// The advice's lines that start with the command, each pasted into an
// interactive bash (history expansion on) where the command only prints its
// arguments; one line of arguments, separated by "|", per command run.
std::vector<std::string> ArgumentsAsPasted(const std::string& advice, const std::string& command) {
    char path[] = "/tmp/t860-pasted-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return {"mkstemp failed"};
    }
    close(fd);
    {
        std::ofstream script(path);
        script << command << "() { local a; for a in \"$@\"; do printf '%s|' \"$a\"; done; "
               << "printf '\\n'; }\n";
        size_t start = 0;
        while (start < advice.size()) {
            const size_t end = advice.find('\n', start);
            const std::string line = advice.substr(start, end - start);
            if (line.rfind(command + " ", 0) == 0) {
                script << line << "\n";
            }
            start = end == std::string::npos ? advice.size() : end + 1;
        }
    }
    const std::string shell = std::string("HISTFILE=/dev/null PS1= bash --norc --noprofile -i < ") +
                              path + " 2>/dev/null";
    std::vector<std::string> calls;
    if (FILE* out = popen(shell.c_str(), "r")) {
        char line[4096];
        while (std::fgets(line, sizeof line, out) != nullptr) {
            std::string call = line;
            call.erase(call.find_last_not_of('\n') + 1);
            calls.push_back(call);
        }
        pclose(out);
    }
    unlink(path);
    return calls;
}

}  // namespace

namespace {

// Every verdict with the matrix that corrects it once the touchscreen is on
// its output (none: mapping alone does it), worked out by hand, and the
// Hyprland transform whose matrix that is.
struct TurnCase {
    const char* name;
    MappingVerdict verdict;
    DesktopLayout layout;
    const char* matrix;
    const char* transform;
};

std::vector<TurnCase> EveryVerdict() {
    return {
        {"whole desktop", WholeOfTwoScreens(), TwoScreens(), nullptr, nullptr},
        {"whole desktop, 90", WholeOfTwoScreens(Orientation::Rotated90), TwoScreens(),
         "0 1 0 -1 0 1", "3"},
        {"wrong monitor", OnTheClone(), WithClone(), nullptr, nullptr},
        {"90", Turned(Orientation::Rotated90), OneScreen(), "0 1 0 -1 0 1", "3"},
        {"180", Turned(Orientation::Rotated180), OneScreen(), "-1 0 1 0 -1 1", "2"},
        {"270", Turned(Orientation::Rotated270), OneScreen(), "0 -1 1 1 0 0", "1"},
        {"left-right", Turned(Orientation::MirroredLeftRight), OneScreen(), "-1 0 1 0 1 0", "4"},
        {"top-bottom", Turned(Orientation::MirroredTopBottom), OneScreen(), "1 0 0 0 -1 1", "6"},
        {"swapped", Turned(Orientation::AxesSwapped), OneScreen(), "0 1 0 1 0 0", "5"},
        {"swapped other", Turned(Orientation::AxesSwappedOther), OneScreen(), "0 -1 1 -1 0 1", "7"},
    };
}

bool MapsToOutput(const MappingVerdict& verdict) {
    return verdict.Cause == MappingCause::WholeDesktop ||
           verdict.Cause == MappingCause::WrongMonitor;
}

}  // namespace

TEST(MappingAdvice, TheSessionAsItIsWithTheCompositorThatOwnsTheInput) {
    const auto kind = [](const char* type, const char* wayland, const char* x11) {
        SessionEnvironment environment;
        environment.SessionType = type;
        environment.WaylandDisplay = wayland;
        environment.Display = x11;
        return SessionKindOf(environment);
    };
    EXPECT_EQ(kind("wayland", nullptr, ":0"), SessionKind::Wayland);
    EXPECT_EQ(kind("x11", "wayland-0", nullptr), SessionKind::X11);
    // Xwayland gives its clients DISPLAY; the session is still Wayland.
    EXPECT_EQ(kind(nullptr, "wayland-1", ":0"), SessionKind::Wayland);
    EXPECT_EQ(kind("tty", "wayland-0", ":0"), SessionKind::Wayland);
    EXPECT_EQ(kind(nullptr, "", ":1"), SessionKind::X11);
    EXPECT_EQ(kind(nullptr, nullptr, nullptr), SessionKind::Other);

    // The desktop's name wins over a variable that another compositor's
    // session may have left behind; the variable serves where no name is set.
    struct Case {
        const char* current;
        const char* swaySocket;
        const char* hyprland;
        const char* labwc;
        Compositor expected;
    };
    const char* kSock = "/run/user/1000/sway-ipc.1000.42.sock";
    const Case cases[] = {
        {"ubuntu:GNOME", nullptr, nullptr, nullptr, Compositor::Gnome},
        {"KDE", nullptr, nullptr, nullptr, Compositor::Kde},
        {"sway", nullptr, nullptr, nullptr, Compositor::Sway},
        {nullptr, kSock, nullptr, nullptr, Compositor::Sway},
        {"Hyprland", nullptr, nullptr, nullptr, Compositor::Hyprland},
        {nullptr, nullptr, "4a0b_1765190000_1234", nullptr, Compositor::Hyprland},
        {"labwc:wlroots", nullptr, nullptr, nullptr, Compositor::Labwc},
        {"", nullptr, nullptr, "4242", Compositor::Labwc},
        {"Hyprland", kSock, nullptr, nullptr, Compositor::Hyprland},
        {"labwc", nullptr, "4a0b_1765190000_1234", "4242", Compositor::Labwc},
        {"GNOME-Flashback:Unity", nullptr, nullptr, nullptr, Compositor::Unknown},
        {"wlroots", nullptr, nullptr, "", Compositor::Unknown},
        {nullptr, nullptr, nullptr, nullptr, Compositor::Unknown},
    };
    for (const Case& c : cases) {
        SessionEnvironment environment;
        environment.WaylandDisplay = "wayland-0";
        environment.CurrentDesktop = c.current;
        environment.SwaySocket = c.swaySocket;
        environment.HyprlandInstance = c.hyprland;
        environment.LabwcPid = c.labwc;
        EXPECT_EQ(DesktopSessionOf(environment).Desktop, c.expected)
            << (c.current ? c.current : "(no desktop name)");
    }
}

TEST(MappingAdvice, EveryVerdictThatIsOffGetsAFixInEveryDesktopAndOnlyX11GetsXinput) {
    const DesktopSession sessions[] = {
        kX11, kSway, kGnome, kKde, kHyprland, kLabwc, kWayland, DesktopSession{SessionKind::Other}};
    for (const TurnCase& c : EveryVerdict()) {
        ASSERT_NE(c.verdict.Cause, MappingCause::Correct) << c.name;
        for (const DesktopSession& session : sessions) {
            const std::string advice = MappingAdvice(c.verdict, c.layout, session, kDevice);
            EXPECT_FALSE(advice.empty()) << c.name;
            EXPECT_EQ(advice.find("xinput") != std::string::npos, session.Kind == SessionKind::X11)
                << c.name << "\n"
                << advice;
        }
    }
    const MappingVerdict right = JudgeMapping(Samples([](AccuracyPoint f) {
                                                  return AccuracyPoint{f.X * kWidth, f.Y * kHeight};
                                              }),
                                              TwoScreens(), SessionKind::Wayland);
    ASSERT_EQ(right.Cause, MappingCause::Correct);
    for (const DesktopSession& session : sessions) {
        EXPECT_EQ(MappingAdvice(right, TwoScreens(), session, kDevice), "");
    }
}

TEST(MappingAdvice, X11MapsWithXinputAndSetsTheMatrixLeftByTheTurn) {
    EXPECT_EQ(MappingAdvice(WholeOfTwoScreens(Orientation::Rotated90), TwoScreens(), kX11, kDevice),
              "xinput map-to-output 'Brightfold BFT860' DP-1\n"
              "xinput set-prop 'Brightfold BFT860' \"libinput Calibration Matrix\" 0 1 0 -1 0 1 0 "
              "0 1\n"
              "or, without map-to-output:\n"
              "xinput set-prop 'Brightfold BFT860' \"libinput Calibration Matrix\" 0 1 0 -0.5 0 1 "
              "0 0 1\n");
    EXPECT_EQ(MappingAdvice(Turned(Orientation::MirroredLeftRight), OneScreen(), kX11, kDevice),
              "xinput set-prop 'Brightfold BFT860' \"libinput Calibration Matrix\" -1 0 1 0 1 0 0 "
              "0 1\n");
}

TEST(MappingAdvice, SwayGetsSwaymsgWithItsOwnIdentifierAndTheLinesForItsConfiguration) {
    EXPECT_EQ(MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kSway, kDevice),
              "swaymsg 'input 12154:6:Brightfold_BFT860 map_to_output DP-1'\n"
              "To keep it, in ~/.config/sway/config (then swaymsg reload):\n"
              "input 12154:6:Brightfold_BFT860 {\n"
              "    map_to_output DP-1\n"
              "}\n");
    EXPECT_EQ(MappingAdvice(WholeOfTwoScreens(Orientation::Rotated270), TwoScreens(), kSway,
                            Named(" Brightfold\tBFT860 ")),
              "swaymsg 'input 12154:6:Brightfold_BFT860 map_to_output DP-1'\n"
              "swaymsg 'input 12154:6:Brightfold_BFT860 calibration_matrix 0 -1 1 1 0 0'\n"
              "To keep it, in ~/.config/sway/config (then swaymsg reload):\n"
              "input 12154:6:Brightfold_BFT860 {\n"
              "    map_to_output DP-1\n"
              "    calibration_matrix 0 -1 1 1 0 0\n"
              "}\n");
    // Each byte of a character beyond ASCII is unprintable to sway.
    EXPECT_THAT(MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kSway,
                              Named("\xC3\x89"
                                    "cran tactile")),
                HasSubstr("swaymsg 'input 12154:6:__cran_tactile map_to_output DP-1'\n"));
    EXPECT_THAT(MappingAdvice(Turned(Orientation::Rotated180), OneScreen(), kSway, kDevice),
                AllOf(HasSubstr("swaymsg 'input 12154:6:Brightfold_BFT860 calibration_matrix -1 0 "
                                "1 0 -1 1'\n"),
                      Not(HasSubstr("map_to_output")), Not(HasSubstr("udev"))));
}

TEST(MappingAdvice, SwayQuotesANameItWouldSplitAndFallsBackToEveryTouchscreen) {
    if (!kBashToPasteInto) {
        GTEST_SKIP() << "no bash";
    }
    const auto swayCommands = [](const std::string& name) {
        return ArgumentsAsPasted(
            MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kSway, Named(name)), "swaymsg");
    };
    EXPECT_THAT(swayCommands("Touch; exit, now!"),
                ElementsAre("input \"12154:6:Touch;_exit,_now!\" map_to_output DP-1|"));
    EXPECT_THAT(swayCommands("Say \"hi\""),
                ElementsAre("input '12154:6:Say_\"hi\"' map_to_output DP-1|"));
    EXPECT_THAT(swayCommands(kHostile.Name), ElementsAre("input type:touch map_to_output DP-1|"));
    EXPECT_THAT(swayCommands("back\\slash"), ElementsAre("input type:touch map_to_output DP-1|"));
}

TEST(MappingAdvice, GnomeGetsThePerDeviceOutputSettingAndUdevForTheTurn) {
    const std::string advice = MappingAdvice(WholeOfTwoScreens(Orientation::MirroredTopBottom),
                                             TwoScreens(), kGnome, kDevice);
    EXPECT_THAT(advice, HasSubstr("gsettings set org.gnome.desktop.peripherals.touchscreen:"
                                  "/org/gnome/desktop/peripherals/touchscreens/2f7a:0006/ output "
                                  "'[\"VENDOR\", \"PRODUCT\", \"SERIAL\"]'\n"));
    EXPECT_THAT(advice, HasSubstr("connector name 'DP-1'"));
    EXPECT_THAT(advice, HasSubstr("plugged in again, or at the next login"));
    EXPECT_THAT(advice, HasSubstr("ENV{LIBINPUT_CALIBRATION_MATRIX}=\"1 0 0 0 -1 1\""));
    if (!kBashToPasteInto) {
        GTEST_SKIP() << "no bash";
    }
    EXPECT_THAT(ArgumentsAsPasted(advice, "gsettings"),
                ElementsAre("set|org.gnome.desktop.peripherals.touchscreen:/org/gnome/desktop/"
                            "peripherals/touchscreens/2f7a:0006/|output|[\"VENDOR\", \"PRODUCT\", "
                            "\"SERIAL\"]|"));
}

TEST(MappingAdvice, KdeGetsItsSettingsPageAndTheKcminputrcEntry) {
    EXPECT_EQ(MappingAdvice(OnTheClone(), WithClone(), kKde, kDevice),
              "In System Settings \xE2\x80\xBA Touchscreen, choose the display DP-1 for Brightfold "
              "BFT860.\n"
              "Or in ~/.config/kcminputrc, then log in again:\n"
              "[Libinput][12154][6][Brightfold BFT860]\n"
              "OutputName=DP-1\n");
    EXPECT_THAT(MappingAdvice(OnTheClone(), WithClone(), kKde, Named("Touch [USB]")),
                Not(HasSubstr("kcminputrc")));
}

TEST(MappingAdvice, AnyLibinputCompositorGetsTheUdevRuleOnTheInputDevicesOwnIds) {
    EXPECT_EQ(MappingAdvice(Turned(Orientation::Rotated90), OneScreen(), kWayland, kDevice),
              "In /etc/udev/rules.d/99-t860-calibration.rules:\n"
              "ACTION==\"add|change\", SUBSYSTEM==\"input\", KERNEL==\"event*\", "
              "ENV{ID_INPUT_TOUCHSCREEN}==\"1\", ATTRS{id/vendor}==\"2f7a\", "
              "ATTRS{id/product}==\"0006\", ENV{LIBINPUT_CALIBRATION_MATRIX}=\"0 1 0 -1 0 1\"\n"
              "then: sudo udevadm control --reload-rules && sudo udevadm trigger "
              "--subsystem-match=input --action=change\n"
              "and plug the touchscreen in again (or log in again): the desktop reads the matrix "
              "when the touchscreen appears.\n");
    EXPECT_THAT(MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kWayland, kDevice),
                AllOf(HasSubstr("Map the touchscreen to the monitor DP-1 in the desktop's"),
                      HasSubstr("Or, mapped as it is now:\n"),
                      HasSubstr("LIBINPUT_CALIBRATION_MATRIX}=\"0.5 0 0 0 1 0\"")));
}

TEST(MappingAdvice, NamesArriveWholeWhenPastedIntoAnInteractiveBash) {
    if (!kBashToPasteInto) {
        GTEST_SKIP() << "no bash";
    }
    for (const std::string& name :
         {std::string("Brightfold BFT860"), kHostile.Name, std::string("it's"),
          std::string("wow!!"), std::string("a\\b*?[x]{y} > /tmp/z &")}) {
        const std::string advice = MappingAdvice(WholeOfTwoScreens(Orientation::Rotated90),
                                                 TwoScreens(), kX11, Named(name));
        EXPECT_THAT(
            ArgumentsAsPasted(advice, "xinput"),
            ElementsAre("map-to-output|" + name + "|DP-1|",
                        "set-prop|" + name + "|libinput Calibration Matrix|0|1|0|-1|0|1|0|0|1|",
                        "set-prop|" + name + "|libinput Calibration Matrix|0|1|0|-0.5|0|1|0|0|1|"))
            << advice;
    }
}

TEST(MappingAdvice, AMatrixReplacesTheOneUdevGaveTheDeviceSoItIncludesIt) {
    // The turn the test sees is udev's own matrix at work: the fix is to set
    // the identity in its place, not to turn back on top of it.
    TouchscreenDevice turned = kDevice;
    turned.UdevMatrix = OrientationMap(Orientation::Rotated90);
    const MappingVerdict verdict = Turned(Orientation::Rotated90);
    EXPECT_THAT(MappingAdvice(verdict, OneScreen(), kSway, turned),
                HasSubstr("swaymsg 'input 12154:6:Brightfold_BFT860 calibration_matrix 1 0 0 0 1 "
                          "0'\n"));
    EXPECT_THAT(MappingAdvice(verdict, OneScreen(), kGnome, turned),
                HasSubstr("LIBINPUT_CALIBRATION_MATRIX}=\"1 0 0 0 1 0\""));
}

TEST(MappingAdvice, HyprlandSetsOutputAndTransformOnTheDeviceAsHyprctlNamesIt) {
    EXPECT_EQ(
        MappingAdvice(WholeOfTwoScreens(Orientation::Rotated90), TwoScreens(), kHyprland, kDevice),
        "hyprctl -r -- keyword 'device[brightfold-bft860]:output' DP-1\n"
        "hyprctl -r -- keyword 'device[brightfold-bft860]:transform' 3\n"
        "To keep it, in ~/.config/hypr/hyprland.conf:\n"
        "device {\n"
        "    name = brightfold-bft860\n"
        "    output = DP-1\n"
        "    transform = 3\n"
        "}\n"
        "With a Lua configuration (hyprland.lua) set the same through hl.device or hl.config "
        "instead; hyprctl keyword does not apply there.\n"
        "Or, mapped as it is now:\n"
        "In /etc/udev/rules.d/99-t860-calibration.rules:\n"
        "ACTION==\"add|change\", SUBSYSTEM==\"input\", KERNEL==\"event*\", "
        "ENV{ID_INPUT_TOUCHSCREEN}==\"1\", ATTRS{id/vendor}==\"2f7a\", "
        "ATTRS{id/product}==\"0006\", ENV{LIBINPUT_CALIBRATION_MATRIX}=\"0 1 0 -0.5 0 1\"\n"
        "then: sudo udevadm control --reload-rules && sudo udevadm trigger "
        "--subsystem-match=input --action=change\n"
        "and plug the touchscreen in again (or log in again): the desktop reads the matrix "
        "when the touchscreen appears.\n"
        "Hyprland keeps this matrix only while no transform is set for the touchscreen.\n");

    const std::string name = "touch-\"a\"-&-<b>-it's!";
    for (const TurnCase& c : EveryVerdict()) {
        const std::string advice = MappingAdvice(c.verdict, c.layout, kHyprland, kMarked);
        std::vector<std::string> settings;
        if (MapsToOutput(c.verdict)) {
            settings.push_back("output = DP-1");
        }
        if (c.transform != nullptr) {
            settings.push_back(std::string("transform = ") + c.transform);
        }
        for (const std::string& setting : settings) {
            EXPECT_THAT(advice, HasSubstr("\n    " + setting + "\n")) << c.name << "\n" << advice;
        }
        EXPECT_THAT(advice, HasSubstr("    name = " + name + "\n")) << c.name;
        // Only what no transform gives goes to udev: a part of the desktop,
        // where the matrix alone could correct it.
        EXPECT_EQ(advice.find("udev") != std::string::npos,
                  MapsToOutput(c.verdict) && c.verdict.Calibration.has_value())
            << c.name;
        if (!kBashToPasteInto) {
            continue;
        }
        std::vector<std::string> expected;
        for (const std::string& setting : settings) {
            const size_t equals = setting.find(" = ");
            expected.push_back("-r|--|keyword|device[" + name + "]:" + setting.substr(0, equals) +
                               "|" + setting.substr(equals + 3) + "|");
        }
        EXPECT_EQ(ArgumentsAsPasted(advice, "hyprctl"), expected) << c.name << "\n" << advice;
    }
}

TEST(MappingAdvice, HyprlandFallsBackToEveryTouchscreenForANameItsConfigurationCannotHold) {
    for (const char* name : {"Touch #2", "Touch, USB", "$HOME touch", "tab\there", ""}) {
        const std::string advice = MappingAdvice(WholeOfTwoScreens(Orientation::Rotated180),
                                                 TwoScreens(), kHyprland, Named(name));
        EXPECT_THAT(advice,
                    AllOf(HasSubstr("hyprctl -r -- keyword input:touchdevice:output DP-1\n"
                                    "hyprctl -r -- keyword input:touchdevice:transform 2\n"),
                          HasSubstr("input {\n    touchdevice {\n        output = DP-1\n"
                                    "        transform = 2\n    }\n}\n"),
                          HasSubstr("applies to every touchscreen"), Not(HasSubstr("name ="))))
            << name;
    }
}

TEST(MappingAdvice, LabwcWritesTheTouchAndLibinputElementsOfRcXml) {
    EXPECT_EQ(
        MappingAdvice(WholeOfTwoScreens(Orientation::Rotated90), TwoScreens(), kLabwc, kDevice),
        "In ~/.config/labwc/rc.xml, inside its root element:\n"
        "<touch deviceName=\"Brightfold BFT860\" mapToOutput=\"DP-1\" />\n"
        "<libinput>\n"
        "  <device category=\"Brightfold BFT860\">\n"
        "    <calibrationMatrix>0 1 0 -1 0 1</calibrationMatrix>\n"
        "  </device>\n"
        "</libinput>\n"
        "then: labwc --reconfigure\n"
        "Or, mapped as it is now:\n"
        "In ~/.config/labwc/rc.xml, inside its root element:\n"
        "<libinput>\n"
        "  <device category=\"Brightfold BFT860\">\n"
        "    <calibrationMatrix>0 1 0 -0.5 0 1</calibrationMatrix>\n"
        "  </device>\n"
        "</libinput>\n"
        "then: labwc --reconfigure\n");

    const std::string name = "Touch &quot;A&quot; &amp; &lt;B&gt; it&apos;s!";
    for (const TurnCase& c : EveryVerdict()) {
        const std::string advice = MappingAdvice(c.verdict, c.layout, kLabwc, kMarked);
        EXPECT_EQ(advice.find("<touch deviceName=\"" + name + "\" mapToOutput=\"DP-1\" />\n") !=
                      std::string::npos,
                  MapsToOutput(c.verdict))
            << c.name << "\n"
            << advice;
        if (c.matrix != nullptr) {
            EXPECT_THAT(advice,
                        HasSubstr("<device category=\"" + name + "\">\n    <calibrationMatrix>" +
                                  c.matrix + "</calibrationMatrix>\n"))
                << c.name;
        }
        EXPECT_THAT(advice, AllOf(Not(HasSubstr("udev")), HasSubstr("then: labwc --reconfigure\n")))
            << c.name;
    }
}

TEST(MappingAdvice, LabwcLeavesToUdevWhatItCannotNameTheDeviceFor) {
    // A libinput category word would select every device of that kind.
    EXPECT_THAT(MappingAdvice(Turned(Orientation::Rotated180), OneScreen(), kLabwc, Named("Touch")),
                AllOf(HasSubstr("LIBINPUT_CALIBRATION_MATRIX}=\"-1 0 1 0 -1 1\""),
                      Not(HasSubstr("<libinput>"))));
    EXPECT_THAT(MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kLabwc, Named("Touch")),
                HasSubstr("<touch deviceName=\"Touch\" mapToOutput=\"DP-1\" />\n"));
    // Tabs and line ends survive only as character references; other
    // control characters and bytes that are not UTF-8 cannot stand in XML.
    EXPECT_THAT(MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kLabwc, Named("a\tb\nc")),
                HasSubstr("<touch deviceName=\"a&#9;b&#10;c\" mapToOutput=\"DP-1\" />\n"));
    for (const std::string& name : {std::string("bell\x07"), std::string("Latin-1 \xE9")}) {
        const std::string advice = MappingAdvice(WholeOfTwoScreens(Orientation::Rotated90),
                                                 TwoScreens(), kLabwc, Named(name));
        EXPECT_THAT(advice, AllOf(HasSubstr("<touch mapToOutput=\"DP-1\" />\n"),
                                  HasSubstr("applies to every touchscreen"),
                                  HasSubstr("LIBINPUT_CALIBRATION_MATRIX}=\"0 1 0 -1 0 1\""),
                                  Not(HasSubstr("deviceName")), Not(HasSubstr("category"))));
    }
    EXPECT_THAT(MappingAdvice(WholeOfTwoScreens(), TwoScreens(), kLabwc,
                              Named("\xC3\x89"
                                    "cran tactile")),
                HasSubstr("deviceName=\"\xC3\x89"
                          "cran tactile\""));
}
