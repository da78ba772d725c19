#include "lab/LabPanels.h"

#include "common/CensusColumns.h"
#include "common/RuleTable.h"
#include "lab/ChartReadout.h"
#include "lab/LineageWatch.h"
#include "lab/PopulationHistory.h"
#include "life/Life.h"
#include "life/LifeState.h"
#include "world/World.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

const char* const LabPanels::NAMES[PANELS] = {"Run",       "Rules", "Charts", "Inspector",
                                              "Genotypes", "Tools", "Console"};

namespace {

const char* const KINDS[OrganismKind::COUNT] = {"herbivores", "carnivores", "plants"};
const ImU32 KIND_COLOURS[OrganismKind::COUNT] = {IM_COL32(90, 200, 90, 255), IM_COL32(230, 80, 70, 255),
                                                 IM_COL32(90, 150, 240, 255)};
// The side columns start below the HUD's title line, and the right one ends above its lab keys.
constexpr float TOP = 44;
constexpr float BOTTOM = 4;
// The strip along the bottom, between the columns: the console and the chart side by side.
constexpr float STRIP = 170;
float half(const ImVec2& display) {
    return std::max(150.0f, (display.x - 238 - 238 - 4) / 2);
}
// Console lines kept.
constexpr size_t CONSOLE_LINES = 200;

// The glow an organism of this genome shows on the board.
ImVec4 glowOf(const Genome& genome) {
    const auto channel = [&genome](int trait) {
        return std::min(1.0f, genome.traits[static_cast<size_t>(trait)] / 100.0f + 0.5f);
    };
    return ImVec4(channel(1), channel(0), channel(2), 1.0f);
}

} // namespace

LabPanels::LabPanels(World& watched, const PopulationHistory& last, const PopulationHistory& all,
                     LineageWatch& descent, Perform carryOut)
    : world(&watched), recent(last), whole(all), lineage(descent), perform(std::move(carryOut)) {
    open.fill(true);
    attach(watched);
}

void LabPanels::attach(World& shown) {
    world = &shown;
    floors = world->getKeep();
    startRules = world->getRules();
}

void LabPanels::note(const std::string& text) {
    console.push_back(text);
    if (console.size() > CONSOLE_LINES)
        console.erase(console.begin());
    scrollConsole = true;
}

void LabPanels::act(const std::string& command) {
    note("> " + command);
    const std::string answer = perform(command);
    if (!answer.empty())
        note(answer);
}

// The default layout keeps to the window's edges: a column on the left, one on the right and a
// strip along the bottom, leaving the middle of the board clear.
void LabPanels::place(Panel panel, float x, float y, float width, float height) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float left = x < 0 ? display.x + x - width : x;
    const float top = y < 0 ? display.y + y - height : y;
    ImGui::SetNextWindowPos(ImVec2(left, top), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(width, height), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowCollapsed(false, ImGuiCond_FirstUseEver);
    (void)panel;
}

void LabPanels::build(const State& state) {
    buildList();
    if (open[RUN])
        buildRun(state);
    if (open[TOOLS])
        buildTools();
    if (open[RULES])
        buildRules();
    if (open[INSPECTOR])
        buildInspector(state);
    if (open[GENOTYPES])
        buildGenotypes(state);
    if (open[CHARTS])
        buildCharts(state);
    if (open[CONSOLE])
        buildConsole();
}

void LabPanels::buildList() {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(display.x - 4, TOP - 4), ImGuiCond_Always, ImVec2(1, 0));
    ImGui::Begin("Panels", nullptr,
                 ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoTitleBar);
    for (int panel = 0; panel < PANELS; ++panel) {
        if (panel > 0)
            ImGui::SameLine();
        bool shown = open[panel];
        if (ImGui::Checkbox(NAMES[panel], &shown))
            open[panel] = shown;
    }
    listBottom = ImGui::GetWindowPos().y + ImGui::GetWindowSize().y;
    ImGui::End();
}

void LabPanels::buildRun(const State& state) {
    place(RUN, 4, TOP, 230, 190);
    if (!ImGui::Begin("Run", &open[RUN])) {
        ImGui::End();
        return;
    }
    if (ImGui::Button(world->isPaused() ? "Resume" : "Pause", ImVec2(54, 0)))
        act(world->isPaused() ? "resume" : "pause");
    ImGui::SameLine();
    if (ImGui::Button("Step", ImVec2(42, 0)))
        act("step");
    ImGui::SameLine();
    if (ImGui::Button("Save", ImVec2(42, 0)))
        act("save");
    ImGui::SameLine();
    if (ImGui::Button("Load", ImVec2(42, 0))) {
        // The last world saved is the one most often wanted back.
        if (state.lastSaved != offered) {
            offered = state.lastSaved;
            std::snprintf(worldFile.data(), worldFile.size(), "%s", offered.c_str());
        }
        ImGui::OpenPopup("load world");
    }
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("put a saved world in this one's place");
    if (ImGui::BeginPopup("load world")) {
        ImGui::TextUnformatted("Saved world to load (Return loads it):");
        if (ImGui::IsWindowAppearing())
            ImGui::SetKeyboardFocusHere();
        ImGui::SetNextItemWidth(300);
        const bool entered = ImGui::InputTextWithHint("##world", "world-0001.sylvara", worldFile.data(),
                                                      worldFile.size(), ImGuiInputTextFlags_EnterReturnsTrue);
        const bool named = worldFile[0] != '\0';
        if ((ImGui::Button("Load##now") || entered) && named) {
            act(std::string("load ") + worldFile.data());
            ImGui::CloseCurrentPopup();
        }
        ImGui::SameLine();
        if (ImGui::Button("Cancel"))
            ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
    }
    int speed = state.speed > 0 ? state.speed : 4096;
    ImGui::SetNextItemWidth(140);
    ImGui::SliderInt("ticks/s", &speed, 1, 4096, "%d", ImGuiSliderFlags_Logarithmic);
    if (ImGui::IsItemDeactivatedAfterEdit())
        act("speed " + std::to_string(speed));
    if (ImGui::Button("Flat out"))
        act("speed max");
    ImGui::SameLine();
    if (ImGui::Button("Normal"))
        act("speed normal");
    ImGui::Text("tick %ld  (%s)", world->getTickNumber(), state.speedText.c_str());
    ImGui::Text("%.1f ticks/s, %.0f frames/s", state.ticksPerSecond, state.framesPerSecond);
    if (state.recording) {
        if (ImGui::Button("Stop recording"))
            act("record stop");
        ImGui::TextWrapped("recording %s", state.recordingFile.c_str());
    } else if (ImGui::Button("Record")) {
        act("record");
    }
    ImGui::End();
}

void LabPanels::buildTools() {
    place(TOOLS, 4, TOP + 194, 230, 100);
    if (!ImGui::Begin("Tools", &open[TOOLS])) {
        ImGui::End();
        return;
    }
    struct ToolButton {
        const char* label;
        ToolMode mode;
        const char* command;
    };
    const ToolButton tools[] = {{"Camera", TOOL_CAMERA, "tool camera"},
                                {"Select", TOOL_SELECT, "tool select"},
                                {"Killer", TOOL_KILL, "tool killer"},
                                {"Genesis", TOOL_GENESIS, "tool genesis"},
                                {"Fertilizer", TOOL_FERTILIZE, "tool fertilizer"}};
    for (size_t i = 0; i < std::size(tools); ++i) {
        const bool active = world->getToolMode() == tools[i].mode;
        if (active) {
            // Orange even under the pointer, so the tool just chosen shows at once.
            ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.85f, 0.55f, 0.1f, 1.0f));
            ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.95f, 0.62f, 0.15f, 1.0f));
            ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(1.0f, 0.7f, 0.2f, 1.0f));
        }
        if (i % 3 != 0)
            ImGui::SameLine();
        if (ImGui::Button(tools[i].label, ImVec2(70, 0)))
            act(tools[i].command);
        if (active)
            ImGui::PopStyleColor(3);
    }
    ImGui::TextUnformatted("Spawn:");
    ImGui::SameLine();
    for (int kind = 0; kind < OrganismKind::COUNT; ++kind) {
        static const char* const LABELS[] = {"Herbivore", "Carnivore", "Plant"};
        static const char* const WORDS[] = {"herbivore", "carnivore", "plant"};
        if (kind > 0)
            ImGui::SameLine();
        if (ImGui::SmallButton(LABELS[kind]))
            act(std::string("spawn ") + WORDS[kind]);
    }
    ImGui::End();
}

void LabPanels::buildRules() {
    place(RULES, 4, TOP + 298, 230, std::max(120.0f, ImGui::GetIO().DisplaySize.y - TOP - 298 - 4));
    if (!ImGui::Begin("Rules", &open[RULES])) {
        ImGui::End();
        return;
    }
    // One file for both ways: load a rules file, or save the rules in force to it.
    ImGui::SetNextItemWidth(-1);
    ImGui::InputTextWithHint("##file", "rules file (.toml)", rulesFile.data(), rulesFile.size());
    const bool named = rulesFile[0] != '\0';
    if (ImGui::Button("Load") && named)
        act(std::string("rules ") + rulesFile.data());
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("run under the rules of the file named above");
    ImGui::SameLine();
    if (ImGui::Button("Save") && named)
        act(std::string("rules save ") + rulesFile.data());
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("write the rules in force to the file named above, for --rules");
    ImGui::SameLine();
    if (ImGui::Button("Reset")) {
        // Back to the rules the lab opened with, one set a rule changed since.
        for (const RuleTable::Field* field : RuleTable::differences(world->getRules(), startRules))
            act(std::string("set ") + field->name + "=" + RuleTable::format(startRules, *field));
    }
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("back to the rules the lab opened with");
    ImGui::TextUnformatted("Rescue floors (keep at least):");
    for (int kind = 0; kind < OrganismKind::COUNT; ++kind) {
        ImGui::SetNextItemWidth(100);
        ImGui::InputInt(KINDS[kind], &floors[static_cast<size_t>(kind)], 1, 10);
        floors[static_cast<size_t>(kind)] = std::max(0, floors[static_cast<size_t>(kind)]);
        if (ImGui::IsItemDeactivatedAfterEdit() || (ImGui::IsItemEdited() && !ImGui::IsItemActive()))
            act(std::string("keep ") + KINDS[kind] + "=" + std::to_string(floors[static_cast<size_t>(kind)]));
    }
    if (!ImGui::IsAnyItemActive())
        floors = world->getKeep();
    ImGui::Separator();
    const Rules rules = world->getRules();
    // Each name whole on a line of its own, its value and range below: however narrow the panel, no
    // name is cut to a prefix two rules share.
    ImGui::BeginChild("rules", ImVec2(0, 0));
    for (const RuleTable::Field& field : RuleTable::fields()) {
        ImGui::PushID(field.name);
        ImGui::TextUnformatted(field.name);
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("%s\nrange %s", field.meaning, RuleTable::range(field).c_str());
        ImGui::Indent(8);
        ImGui::SetNextItemWidth(std::max(60.0f, ImGui::GetContentRegionAvail().x - 70));
        double value = RuleTable::get(rules, field);
        const bool whole = field.type == RuleTable::Type::Int;
        // The buttons step a whole rule by one and a fraction by a tenth of its value.
        const double step =
            whole ? 1.0 : (value != 0.0 ? std::fabs(value) / 10.0 : (field.max - field.min) / 100.0);
        const bool changed = ImGui::InputDouble("##v", &value, step, step * 10, whole ? "%.0f" : "%.6g");
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("%s\nrange %s", field.meaning, RuleTable::range(field).c_str());
        const bool byButton = changed && !ImGui::IsItemActive();
        if ((byButton || ImGui::IsItemDeactivatedAfterEdit())) {
            value = std::min(field.max, std::max(field.min, whole ? std::round(value) : value));
            if (value != RuleTable::get(rules, field)) {
                Rules changedRules = rules;
                RuleTable::set(changedRules, field, value);
                act(std::string("set ") + field.name + "=" + RuleTable::format(changedRules, field));
            }
        }
        ImGui::SameLine();
        ImGui::TextDisabled("%s", RuleTable::range(field).c_str());
        ImGui::Unindent(8);
        ImGui::PopID();
    }
    ImGui::EndChild();
    ImGui::End();
}

void LabPanels::buildCharts(const State& state) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    place(CHARTS, 238 + half(display) + 4, -4, half(display), STRIP);
    if (!ImGui::Begin("Charts", &open[CHARTS])) {
        ImGui::End();
        return;
    }
    const char* views[] = {"populations", "herbivore traits", "carnivore traits", "plant traits"};
    // The view narrows before the switch beside it leaves the panel; in a very narrow panel the switch
    // takes a line of its own.
    const ImGuiStyle& style = ImGui::GetStyle();
    const float switchWidth =
        ImGui::GetFrameHeight() + style.ItemInnerSpacing.x + ImGui::CalcTextSize("whole run").x;
    const float viewWidth = ImGui::GetContentRegionAvail().x - switchWidth - style.ItemSpacing.x;
    ImGui::SetNextItemWidth(std::clamp(viewWidth, 100.0f, 150.0f));
    ImGui::Combo("##view", &chartView, views, IM_ARRAYSIZE(views));
    if (viewWidth >= 100.0f)
        ImGui::SameLine();
    bool wholeRun = state.wholeRun;
    if (ImGui::Checkbox("whole run", &wholeRun))
        act(wholeRun ? "chart whole" : "chart recent");
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("the whole run since the world began or was loaded, or its last 4000 ticks");
    const PopulationHistory& history = state.wholeRun ? whole : recent;
    char span[96];
    if (state.wholeRun && !history.empty())
        std::snprintf(span, sizeof span, "ticks %ld-%ld, every %ld", history.firstTick(), history.lastTick(),
                      history.getStride());
    else
        std::snprintf(span, sizeof span, "last %zu ticks", history.size());
    // Beside the switch where the panel is wide enough, else on a line of its own above the chart.
    const float room = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x -
                       ImGui::GetItemRectMax().x - ImGui::GetStyle().ItemSpacing.x;
    if (ImGui::CalcTextSize(span).x <= room)
        ImGui::SameLine();
    ImGui::TextUnformatted(span);
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 size(ImGui::GetContentRegionAvail().x, std::max(40.0f, ImGui::GetContentRegionAvail().y));
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(origin, ImVec2(origin.x + size.x, origin.y + size.y), IM_COL32(20, 20, 28, 255));
    ImGui::InvisibleButton("plot", size);
    if (history.empty()) {
        ImGui::End();
        return;
    }
    const size_t samples = history.size();
    const long first = history.firstTick();
    const long last = std::max(first + 1, history.lastTick());
    const OrganismKind::Value group =
        chartView == 0 ? OrganismKind::HERBIVORES : static_cast<OrganismKind::Value>(chartView - 1);
    const int series = chartView == 0 ? OrganismKind::COUNT : CensusColumns::traitCount(group);
    const auto valueAt = [&](size_t index, int line) -> double {
        if (chartView == 0)
            return history.countAt(index, static_cast<OrganismKind::Value>(line));
        return history.meanAt(index, group, line);
    };
    double top = 1.0;
    for (size_t i = 0; i < samples; ++i)
        for (int s = 0; s < series; ++s)
            top = std::max(top, valueAt(i, s));
    const auto xOf = [&](long tick) { return origin.x + size.x * float(tick - first) / float(last - first); };
    const auto yOf = [&](double value) { return origin.y + size.y - 2 - float(value / top) * (size.y - 4); };
    // Each rule change where it was made.
    for (const auto& change : state.ruleChanges)
        if (change.first >= first && change.first <= last) {
            const float x = xOf(change.first);
            draw->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + size.y), IM_COL32(255, 220, 60, 200),
                          1.5f);
        }
    const ImU32 traitColours[] = {IM_COL32(240, 240, 90, 255), IM_COL32(240, 120, 240, 255),
                                  IM_COL32(90, 230, 230, 255), IM_COL32(240, 160, 60, 255),
                                  IM_COL32(180, 180, 255, 255)};
    const size_t stride = std::max<size_t>(1, samples / static_cast<size_t>(std::max(1.0f, size.x)));
    for (int s = 0; s < series; ++s) {
        const ImU32 colour = chartView == 0 ? KIND_COLOURS[s] : traitColours[s];
        ImVec2 previous(xOf(history.tickAt(0)), yOf(valueAt(0, s)));
        for (size_t i = stride; i < samples; i += stride) {
            const ImVec2 point(xOf(history.tickAt(i)), yOf(valueAt(i, s)));
            draw->AddLine(previous, point, colour, 1.5f);
            previous = point;
        }
    }
    if (ImGui::IsItemHovered()) {
        // The values under the pointer, at the point nearest it.
        const double across = (ImGui::GetIO().MousePos.x - origin.x) / size.x;
        ImGui::SetTooltip("%s", ChartReadout::text(history, chartView, across, state.ruleChanges).c_str());
        draw->AddLine(ImVec2(ImGui::GetIO().MousePos.x, origin.y),
                      ImVec2(ImGui::GetIO().MousePos.x, origin.y + size.y), IM_COL32(255, 255, 255, 90));
    }
    ImGui::End();
}

void LabPanels::buildInspector(const State& state) {
    place(INSPECTOR, -4, TOP + 26, 230, 290);
    if (!ImGui::Begin("Inspector", &open[INSPECTOR])) {
        ImGui::End();
        return;
    }
    const Life* selected = world->getSelectedLife();
    const Genotype* genotype = selected ? world->getGenotypes().find(selected->getGenotypeId()) : nullptr;
    if (!selected || !genotype || selected->getState() == STATE_DEAD) {
        ImGui::TextWrapped("Nothing selected: choose the select tool and click an organism, or a genotype.");
        ImGui::End();
        return;
    }
    const OrganismKind::Value group = genotype->genome.organismKind();
    ImGui::Text("%s %d", KINDS[group], selected->getId());
    ImGui::SameLine();
    ImGui::ColorButton("##glow", glowOf(genotype->genome), ImGuiColorEditFlags_NoTooltip, ImVec2(14, 14));
    for (int trait = 0; trait < genotype->genome.traitCount(); ++trait) {
        const int value = genotype->genome.traits[static_cast<size_t>(trait)];
        char label[64];
        std::snprintf(label, sizeof label, "%d", value);
        ImGui::ProgressBar(value / 100.0f, ImVec2(90, 0), label);
        ImGui::SameLine();
        ImGui::TextUnformatted(CensusColumns::traitName(group, trait).c_str());
    }
    const float energy = selected->getEnergy();
    const float most = std::max(1.0f, selected->getMaxEnergy());
    char label[64];
    std::snprintf(label, sizeof label, "%.0f of %.0f", energy, most);
    ImGui::ProgressBar(std::min(1.0f, energy / most), ImVec2(90, 0), label);
    ImGui::SameLine();
    ImGui::TextUnformatted("energy");
    ImGui::Text("generation %d", selected->getGeneration());
    if (selected->getParentId() == Life::NO_PARENT)
        ImGui::TextUnformatted("parent: none");
    else
        ImGui::Text("parent %d", selected->getParentId());
    if (selected->getBirthTick() < 0)
        ImGui::TextUnformatted("born before the save kept it");
    else
        ImGui::Text("born at tick %ld", selected->getBirthTick());
    ImGui::Text("genotype %d (depth %d)", genotype->id, genotype->depth);
    ImGui::Text("living descendants %d", lineage.livingDescendants(*world));
    if (ImGui::Button("Predator"))
        act("predator");
    ImGui::SameLine();
    if (ImGui::Button("Prey"))
        act("prey");
    ImGui::SameLine();
    if (ImGui::Button(state.marksShown ? "Unpin" : "Pin"))
        act("pin");
    ImGui::SameLine();
    const bool followed = state.followedId == selected->getId();
    if (ImGui::Button(followed ? "Unfollow" : "Follow"))
        act(followed ? "follow off" : "follow");
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("keep the camera on this organism as it moves");
    ImGui::End();
}

void LabPanels::buildGenotypes(const State& state) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    place(GENOTYPES, -4, TOP + 320, 230, std::max(120.0f, display.y - TOP - 320 - BOTTOM));
    if (!ImGui::Begin("Genotypes", &open[GENOTYPES])) {
        ImGui::End();
        return;
    }
    std::vector<const Genotype*> living;
    for (const auto& entry : world->getGenotypes().all())
        if (entry.second.living > 0)
            living.push_back(&entry.second);
    const long now = world->getTickNumber();
    const ImGuiTableFlags flags = ImGuiTableFlags_Sortable | ImGuiTableFlags_ScrollY | ImGuiTableFlags_RowBg |
                                  ImGuiTableFlags_BordersInnerV;
    if (ImGui::BeginTable("genotypes", 5, flags)) {
        ImGui::TableSetupScrollFreeze(0, 1);
        ImGui::TableSetupColumn("id", ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("members", ImGuiTableColumnFlags_DefaultSort |
                                               ImGuiTableColumnFlags_PreferSortDescending |
                                               ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("age", ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("depth", ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("traits", ImGuiTableColumnFlags_NoSort);
        ImGui::TableHeadersRow();
        int column = 1;
        bool descending = true;
        if (const ImGuiTableSortSpecs* sort = ImGui::TableGetSortSpecs())
            if (sort->SpecsCount > 0) {
                column = sort->Specs[0].ColumnIndex;
                descending = sort->Specs[0].SortDirection == ImGuiSortDirection_Descending;
            }
        const auto key = [column, now](const Genotype* g) -> long {
            switch (column) {
            case 0:
                return g->id;
            case 2:
                return now - g->origin;
            case 3:
                return g->depth;
            default:
                return g->living;
            }
        };
        std::stable_sort(living.begin(), living.end(), [&](const Genotype* a, const Genotype* b) {
            const long ka = key(a);
            const long kb = key(b);
            if (ka != kb)
                return descending ? ka > kb : ka < kb;
            return a->id < b->id;
        });
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(living.size()));
        while (clipper.Step())
            for (int row = clipper.DisplayStart; row < clipper.DisplayEnd; ++row) {
                const Genotype& g = *living[static_cast<size_t>(row)];
                ImGui::TableNextRow();
                ImGui::TableNextColumn();
                ImGui::PushID(g.id);
                ImGui::ColorButton("##glow", glowOf(g.genome), ImGuiColorEditFlags_NoTooltip, ImVec2(10, 10));
                ImGui::SameLine();
                char id[32];
                std::snprintf(id, sizeof id, "%d", g.id);
                const bool chosen = ImGui::Selectable(id, false, ImGuiSelectableFlags_SpanAllColumns);
                ImGui::TableNextColumn();
                ImGui::Text("%d", g.living);
                ImGui::TableNextColumn();
                ImGui::Text("%ld", now - g.origin);
                ImGui::TableNextColumn();
                ImGui::Text("%d", g.depth);
                ImGui::TableNextColumn();
                static const char* const LETTERS[] = {"H", "C", "P"};
                std::string traits = LETTERS[g.genome.organismKind()];
                for (int t = 0; t < g.genome.traitCount(); ++t)
                    traits += " " + std::to_string(g.genome.traits[static_cast<size_t>(t)]);
                ImGui::TextUnformatted(traits.c_str());
                ImGui::PopID();
                if (chosen) {
                    // A living member, the oldest, stands for the genotype; its relatives are pinned.
                    for (const auto& entry : world->getLives())
                        if (entry.second->getGenotypeId() == g.id && entry.second->getState() != STATE_DEAD) {
                            act("select " + std::to_string(entry.first));
                            break;
                        }
                    if (!state.marksShown)
                        act("pin");
                }
            }
        ImGui::EndTable();
    }
    ImGui::End();
}

void LabPanels::buildConsole() {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    place(CONSOLE, 238, -4, half(display), STRIP);
    if (!ImGui::Begin("Console", &open[CONSOLE])) {
        ImGui::End();
        return;
    }
    const float footer = ImGui::GetFrameHeightWithSpacing();
    ImGui::BeginChild("lines", ImVec2(0, -footer), false, ImGuiWindowFlags_HorizontalScrollbar);
    for (const std::string& text : console)
        ImGui::TextUnformatted(text.c_str());
    if (scrollConsole)
        ImGui::SetScrollHereY(1.0f);
    scrollConsole = false;
    ImGui::EndChild();
    const auto recall = [](ImGuiInputTextCallbackData* data) -> int {
        LabPanels& panels = *static_cast<LabPanels*>(data->UserData);
        if (panels.typed.empty())
            return 0;
        const int count = static_cast<int>(panels.typed.size());
        if (data->EventKey == ImGuiKey_UpArrow)
            panels.browsing = panels.browsing < 0 ? count - 1 : std::max(0, panels.browsing - 1);
        else if (panels.browsing >= 0)
            panels.browsing = panels.browsing + 1 >= count ? -1 : panels.browsing + 1;
        data->DeleteChars(0, data->BufTextLen);
        if (panels.browsing >= 0)
            data->InsertChars(0, panels.typed[static_cast<size_t>(panels.browsing)].c_str());
        return 0;
    };
    ImGui::SetNextItemWidth(-1);
    const ImGuiInputTextFlags flags =
        ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_CallbackHistory;
    if (ImGui::InputText("##command", line.data(), line.size(), flags, recall, this)) {
        const std::string command = line.data();
        line.fill('\0');
        browsing = -1;
        if (command.find_first_not_of(" \t") != std::string::npos) {
            typed.push_back(command);
            act(command);
        }
        ImGui::SetKeyboardFocusHere(-1);
    }
    ImGui::End();
}
