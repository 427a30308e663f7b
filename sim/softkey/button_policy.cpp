#include "softkey/button_policy.h"

#include <array>
#include <utility>

#include "common/text_trim.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {
constexpr std::array<std::pair<ButtonAction, std::string_view>, 6> kNames = {{
    {ButtonAction::kOk, "ok"},
    {ButtonAction::kCancel, "cancel"},
    {ButtonAction::kTimeout, "timeout"},
    {ButtonAction::kFail, "fail"},
    {ButtonAction::kManual, "manual"},
    {ButtonAction::kNone, "none"},
}};
}  // namespace

std::string_view ButtonActionName(ButtonAction action) {
  for (const auto& [known, name] : kNames) {
    if (known == action) {
      return name;
    }
  }
  return "?";
}

std::optional<std::vector<ButtonStep>> ParseButtonPolicy(std::string_view text) {
  std::vector<ButtonStep> steps;
  for (const std::string_view field : SplitFields(text, ",")) {
    const size_t colon = field.find(':');
    const std::string_view name = TrimBlanks(field.substr(0, colon));
    ButtonStep step;
    bool known = false;
    for (const auto& [action, actionName] : kNames) {
      if (name == actionName) {
        step.action = action;
        known = true;
      }
    }
    if (!known) {
      return std::nullopt;
    }
    if (colon != std::string_view::npos) {
      const std::optional<uint32_t> polls = ParseNumber(field.substr(colon + 1));
      if (!polls || step.action == ButtonAction::kNone || *polls > 0xFFFF) {
        return std::nullopt;
      }
      step.polls = *polls;
    }
    steps.push_back(step);
  }
  if (steps.empty()) {
    return std::nullopt;
  }
  return steps;
}

std::string FormatButtonPolicy(const std::vector<ButtonStep>& steps) {
  std::string text;
  for (const ButtonStep& step : steps) {
    if (!text.empty()) {
      text.push_back(',');
    }
    text.append(ButtonActionName(step.action));
    if (step.polls) {
      text.append(":").append(std::to_string(*step.polls));
    }
  }
  return text;
}

std::optional<TakenStep> TakeButtonStep(std::string_view policy) {
  std::optional<std::vector<ButtonStep>> steps = ParseButtonPolicy(policy);
  if (!steps) {
    return std::nullopt;
  }
  TakenStep taken{steps->front(), std::string(policy)};
  if (steps->size() > 1) {
    steps->erase(steps->begin());
    taken.remaining = FormatButtonPolicy(*steps);
  }
  return taken;
}

std::optional<ButtonPress> ParseButtonPress(std::string_view text) {
  text = TrimBlanks(text);
  if (text == "ok" || text == "OK") {
    return ButtonPress::kOk;
  }
  if (text == "cancel" || text == "c" || text == "C") {
    return ButtonPress::kCancel;
  }
  return std::nullopt;
}

}  // namespace kq::sim
