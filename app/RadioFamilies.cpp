#include "app/RadioFamilies.h"

#include <utility>
#include <vector>

#include "app/Config.h"
#include "app/WindowCaption.h"
#include "hamlib/HamlibLevelSource.h"
#include "support/AsciiText.h"
#include "support/IniSection.h"
#include "tci/TciLevelSource.h"

namespace quendal {

namespace {

// A family's own maker, handed what every family gets.
template <auto MakeSource>
std::unique_ptr<LevelSource> Make(const SourceInputs& in) {
  return MakeSource(in.ini, in.section, in.EnableLogging);
}

// The FlexRadio link also takes the ports and clock the window's tests set.
std::unique_ptr<LevelSource> MakeFlex(const SourceInputs& in) {
  return MakeFlexSource(in.ini, in.section, in.EnableLogging, in.FlexLink);
}

#ifdef QUENDAL_HAVE_HAMLIB
constexpr auto MakeHamlib = Make<MakeHamlibSource>;
#else
constexpr std::nullptr_t MakeHamlib = nullptr;  // a build without libhamlib
#endif

const RadioFamily kFamilies[] = {
    {.Type = "flex",
     .Section = "Network",
     .Make = MakeFlex,
     .Peer = "FlexRadio",
     .Caption = kWindowCaption},
    {.Type = "hamlib", .Section = "Hamlib", .Make = MakeHamlib, .Library = "Hamlib"},
    {.Type = "tci", .Section = "TCI", .Make = Make<MakeTciSource>},
};

// "flex, hamlib or tci": the types of the families this build can make, or of all.
std::string TypeList(std::span<const RadioFamily> families, bool madeOnly) {
  std::vector<std::string_view> types;
  for (const RadioFamily& family : families) {
    if (!madeOnly || family.Make != nullptr) types.push_back(family.Type);
  }
  std::string list;
  for (std::size_t i = 0; i < types.size(); ++i) {
    if (i > 0) list += i + 1 == types.size() ? " or " : ", ";
    list += types[i];
  }
  return list;
}

class NotStartedSource final : public LevelSource {
 public:
  explicit NotStartedSource(std::string reason) : reason_(std::move(reason)) {}
  void Start() override {}
  void Stop() override {}
  LevelReading CurrentLevel() override { return {}; }
  std::chrono::milliseconds UpdateInterval() const override { return {}; }
  LinkStatus Status() const override {
    LinkStatus status;
    status.Reason = reason_;
    return status;
  }
  RadioIdentity Identity() const override { return {}; }
  // Nothing ever changes: the window's tick may rest.
  bool TellsChanges() const override { return true; }

 private:
  std::string reason_;
};

}  // namespace

std::unique_ptr<LevelSource> MakeNotStartedSource(const std::exception& why) {
  // A refused key is named; the message box has said what to write instead.
  const auto* key = dynamic_cast<const IniKeyError*>(&why);
  return std::make_unique<NotStartedSource>(key ? key->Key() + " not usable" : why.what());
}

std::span<const RadioFamily> RadioFamilies() { return kFamilies; }

const RadioFamily& FindRadioFamily(std::string_view type, std::span<const RadioFamily> families) {
  for (const RadioFamily& family : families) {
    if (!type.empty() && !EqualsIgnoringAsciiCase(type, family.Type)) continue;
    if (family.Make == nullptr) {
      const std::string library(family.Library);
      throw ConfigError("[Radio] Type=" + std::string(family.Type) + " needs " + library +
                        ", and this build of Quendal was made without it. Use " +
                        TypeList(families, true) + ", or a build with " + library + ".");
    }
    return family;
  }
  if (IniFile::HoldsInlineComment(type))
    throw ConfigError("[Radio] Type=" + std::string(type) +
                      " is not usable: " + std::string(IniFile::kInlineCommentAdvice) + ".");
  throw ConfigError("Unknown radio type '" + std::string(type) + "' in [Radio] Type. Use " +
                    TypeList(families, false) + ".");
}

}  // namespace quendal
