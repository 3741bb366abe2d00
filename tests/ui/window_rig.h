// A board without a screen: CMainWindow over a recording host, in a scratch program folder
// that holds the marker archives, with a scratch temporary folder, the virtual-clock
// multimedia and recorded message boxes.
#pragma once

#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/virtual_clock.h"
#include "support/fixtures.h"
#include "ui/main_window.h"

namespace uitest {

struct Host : ui::IWindowHost {
  long long nowMs = 1000;
  long long waitedUntil = -1;
  long long splashShownAt = -1;
  bool bSplash = false;
  std::function<void()> onHideSplash;  // looks at the unpacked files as the splash goes
  int icon = 0, background = 0;
  std::vector<std::string> urls;
  int abouts = 0;
  int repaints = 0;
  void ShowSplash() override {
    splashShownAt = nowMs;
    bSplash = true;
  }
  void HideSplash() override {
    if (onHideSplash) onHideSplash();
    bSplash = false;
  }
  long long NowMs() override { return nowMs; }
  void WaitUntilMs(long long ms) override {
    waitedUntil = ms;
    if (nowMs < ms) nowMs = ms;
  }
  void SetIcon(int bitmap) override { icon = bitmap; }
  void SetBackground(int bitmap) override { background = bitmap; }
  void RepaintNow() override { ++repaints; }
  std::vector<std::function<void()>> urlFailures;
  void OpenUrl(const std::string& url, std::function<void()> onFailure) override {
    urls.push_back(url);
    urlFailures.push_back(std::move(onFailure));
  }
  void ShowAbout() override { ++abouts; }
};

struct Boxes : platform::IMessageBoxes {
  std::vector<std::string> shown;  // "caption|text"
  int Show(const std::string& text, const std::string& caption, platform::MbIcon,
           platform::MbButtons buttons) override {
    shown.push_back(caption + "|" + text);
    return buttons == platform::MbButtons::RetryCancel ? platform::IDCANCEL : platform::IDOK;
  }
};

// A program folder with the marker archives under their catalog names.
inline void LinkArchives(const std::string& folder) {
  for (const char* name : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat", "data4.dat"}) {
    const std::string target = fixtures::SharedMarkerArchives() + "/" + name;
    (void)!::symlink(target.c_str(), (folder + "/" + name).c_str());
  }
}

struct Rig {
  // places: an installed copy's folders instead of the portable layout of the program folder.
  explicit Rig(bool bArchives = true, const std::string& programFolder = {},
               const platform::Places* installed = nullptr)
      : folder(programFolder.empty() ? program.Path() : programFolder),
        places(installed ? *installed : platform::PortablePlaces(folder)) {
    if (bArchives && programFolder.empty()) LinkArchives(folder);
    platform::SetMessageBoxes(&boxes);
    window.Session().m_diskFree = [](const std::string&, unsigned long long& mb) {
      mb = 100000;
      return true;
    };
  }
  ~Rig() {
    platform::SetMessagePump(nullptr);
    platform::SetMessageBoxes(nullptr);
  }
  void Init() { window.OnInitDialog(); }
  void Key(char ch) { window.OnKeyDown(ui::Key::Other, ch); }
  void Run(long long ms) { mm.RunFor(ms, window); }

  fixtures::ScratchDir program;
  fixtures::ScratchDir temp;
  std::string folder;
  platform::CVirtualMultimedia mm;
  Boxes boxes;
  Host host;
  platform::Places places;
  ui::CMainWindow window{host, places, temp.Path() + "/"};
};

}  // namespace uitest
