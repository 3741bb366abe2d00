// A fake board for the option set: remembers the last visibility of every indicator and the
// order of all notifications.
#pragma once

#include <map>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "options/option_set.h"

class CRecordingView : public IOptionView {
 public:
  void ShowIndicator(int id, bool visible) override {
    m_visible[id] = visible;
    m_events.push_back((visible ? "show " : "hide ") + std::to_string(id));
  }
  void PlayOptionSound() override {
    ++m_nSounds;
    m_events.push_back("sound");
  }

  // Ids shown last, among all ids ever touched.
  std::set<int> Visible() const {
    std::set<int> ids;
    for (const auto& [id, visible] : m_visible) {
      if (visible) ids.insert(id);
    }
    return ids;
  }
  // Ids of codes that are visible now.
  std::set<int> VisibleOf(std::span<const OptionCode> codes) const {
    std::set<int> ids;
    for (const OptionCode& c : codes) {
      const auto it = m_visible.find(c.indicator);
      if (it != m_visible.end() && it->second) ids.insert(c.indicator);
    }
    return ids;
  }
  // The notifications as option names ("Scale", "sound", ...), consecutive repeats collapsed:
  // the order in which the setters reached the board.
  std::vector<std::string> Trail() const {
    static const std::pair<const char*, std::span<const OptionCode>> kOptions[] = {
        {"Note", kNoteCodes},     {"Scale", kScaleCodes},   {"PlayMode", kPlayModeCodes},
        {"Rhythm", kRhythmCodes}, {"Harmony", kHarmonyCodes}, {"ForcePitch", kForcePitchCodes},
        {"Tempo", kTempoCodes},   {"PCI", kPCICodes},       {"Motive", kMotiveCodes},
        {"Hand", kHandCodes}};
    std::vector<std::string> trail;
    for (const std::string& e : m_events) {
      std::string name = e;
      if (e != "sound") {
        const int id = std::stoi(e.substr(5));
        for (const auto& [option, codes] : kOptions) {
          for (const OptionCode& c : codes) {
            if (c.indicator == id) name = option;
          }
        }
      }
      if (trail.empty() || trail.back() != name || name == "sound") trail.push_back(name);
    }
    return trail;
  }
  bool Touched(int id) const { return m_visible.count(id) != 0; }
  void ClearEvents() {
    m_events.clear();
    m_nSounds = 0;
  }

  std::vector<std::string> m_events;
  int m_nSounds = 0;

 private:
  std::map<int, bool> m_visible;
};
