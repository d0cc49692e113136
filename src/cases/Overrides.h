#pragma once

// The values a command line sets by name (KEY=VALUE): one vocabulary for single runs and studies. Every
// key of the casting data in the model's units (HalfX m, TauEnd s, Lend1..Lend4 m from the meniscus...)
// and every key of case files in the data window's units (DlomX mm, Vp min, l1..l4 m...) is taken in
// both; a key both share (Vlit, C, Q1, Lkrist, Dt, L...) means the same quantity in the same unit.
// A key given again replaces its value (the last one holds); one quantity under both its names is
// refused.

#include "Case.h"
#include "model/Model.h"

#include <string>
#include <utility>
#include <vector>

namespace korvel {

using Overrides = std::vector<std::pair<std::string, double>>;

// Empty when every key is known and no quantity is given twice, else the reason (Russian).
std::string CheckOverrides(const Overrides& o);

// Applies the overrides, in their order, to the model's casting data and parameters. A case key is
// applied as "Принять" would take it (DlomX / 2000 into HalfX, Vp · 60 into TauEnd, the section ends
// from the mould exit and the lengths l1..l4). Returns false with the reason at the first bad value.
bool ApplyOverridesToModel(const Overrides& o, Model& m, std::string& error);

// Applies the overrides, in their order, to a case in the data window's units: a model key is turned
// into its window field (HalfX · 2000 into DlomX, TauEnd / 60 into Vp, an end Lend_k into the length l_k
// from the end before it).
bool ApplyOverridesToCase(const Overrides& o, Case& c, std::string& error);

// The table of every key with its unit and meaning, for --help.
std::string OverrideKeysHelp();

} // namespace korvel
