#include "lab/PopulationChart.h"

#include <osg/BlendFunc>
#include <osg/LineWidth>

#include <algorithm>
#include <cstdio>

namespace {

const char* const FONT = "../data/arial.ttf";
const osg::Vec4 DARK(0.04f, 0.04f, 0.04f, 1.0f);
// The population plot's colours: herbivores blue, carnivores red, plants green.
const osg::Vec4 KIND_COLOURS[OrganismKind::COUNT] = {
    {0x2a / 255.0f, 0x62 / 255.0f, 0xb8 / 255.0f, 1.0f},
    {0xc0 / 255.0f, 0x30 / 255.0f, 0x2c / 255.0f, 1.0f},
    {0x2e / 255.0f, 0x9a / 255.0f, 0x3a / 255.0f, 1.0f},
};
const char* const KIND_NAMES[OrganismKind::COUNT] = {"herbivores", "carnivores", "plants"};
// The trait views' scale: every trait lies in 1..100.
const double TRAIT_TOP = 100;
// Behind the lines and the text, as the HUD's backdrops are; the grid between, so that a line
// on it (a count of 0 on the baseline) shows.
const float BACK = -0.1f;
const float GRID = -0.05f;

osg::ref_ptr<osg::Geometry> makeShape(osg::Vec3Array* vertices, const osg::Vec4& colour, GLenum mode) {
    osg::ref_ptr<osg::Geometry> shape = new osg::Geometry;
    shape->setDataVariance(osg::Object::DYNAMIC);
    // Drawn from the arrays as they are each frame: the lines change every tick.
    shape->setUseDisplayList(false);
    shape->setUseVertexBufferObjects(false);
    shape->setVertexArray(vertices);
    osg::ref_ptr<osg::Vec4Array> colours = new osg::Vec4Array(1, &colour);
    shape->setColorArray(colours.get(), osg::Array::BIND_OVERALL);
    shape->addPrimitiveSet(new osg::DrawArrays(mode, 0, static_cast<GLsizei>(vertices->size())));
    return shape;
}

osg::ref_ptr<osg::Geometry> makeBackdrop() {
    const osg::Vec3 corners[4] = {{0, PopulationChart::PANEL_TOP, BACK},
                                  {0, 0, BACK},
                                  {PopulationChart::PLOT_RIGHT + 25, 0, BACK},
                                  {PopulationChart::PLOT_RIGHT + 25, PopulationChart::PANEL_TOP, BACK}};
    osg::ref_ptr<osg::Geometry> quad = makeShape(new osg::Vec3Array(4, corners), {1, 1, 1, 0.9f}, GL_QUADS);
    osg::StateSet* state = quad->getOrCreateStateSet();
    state->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    return quad;
}

// The axes and the lines at half and full scale.
osg::ref_ptr<osg::Geometry> makeGrid() {
    const float middle = (PopulationChart::PLOT_BOTTOM + PopulationChart::PLOT_TOP) * 0.5f;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    for (float y : {PopulationChart::PLOT_TOP, middle, PopulationChart::PLOT_BOTTOM}) {
        vertices->push_back({PopulationChart::PLOT_LEFT, y, GRID});
        vertices->push_back({PopulationChart::PLOT_RIGHT, y, GRID});
    }
    vertices->push_back({PopulationChart::PLOT_LEFT, PopulationChart::PLOT_BOTTOM, GRID});
    vertices->push_back({PopulationChart::PLOT_LEFT, PopulationChart::PLOT_TOP, GRID});
    return makeShape(vertices.get(), {0.55f, 0.55f, 0.55f, 1.0f}, GL_LINES);
}

// The trait's own shade of the kind's colour: from darker to lighter across the kind's traits.
osg::Vec4 shade(const osg::Vec4& colour, int trait, int traits) {
    const float f = -0.55f + 1.0f * trait / std::max(traits - 1, 1);
    osg::Vec4 mixed = colour;
    for (int c = 0; c < 3; ++c)
        mixed[c] = f < 0 ? colour[c] * (1 + f) : colour[c] + (1 - colour[c]) * f;
    return mixed;
}

} // namespace

PopulationChart::PopulationChart() : geode(new osg::Geode) {
    geode->getOrCreateStateSet()->setAttributeAndModes(new osg::LineWidth(2.0f));
    geode->addDrawable(makeBackdrop().get());
    geode->addDrawable(makeGrid().get());
    for (auto& line : lines) {
        line = makeShape(new osg::Vec3Array, DARK, GL_LINE_STRIP);
        geode->addDrawable(line.get());
    }
    for (auto& label : labels)
        label = addText({0, 0, 0}, 26, DARK, osgText::Text::LEFT_BASE_LINE);
    stateText = addText({10, PLOT_TOP + 64, 0}, 26, DARK, osgText::Text::LEFT_BASE_LINE);
    topLabel = addText({PLOT_LEFT - 6, PLOT_TOP, 0}, 22, DARK, osgText::Text::RIGHT_CENTER);
    middleLabel =
        addText({PLOT_LEFT - 6, (PLOT_TOP + PLOT_BOTTOM) * 0.5f, 0}, 22, DARK, osgText::Text::RIGHT_CENTER);
    addText({PLOT_LEFT - 6, PLOT_BOTTOM, 0}, 22, DARK, osgText::Text::RIGHT_CENTER)->setText("0");
    firstTickLabel = addText({PLOT_LEFT, PLOT_BOTTOM - 32, 0}, 22, DARK, osgText::Text::LEFT_BASE_LINE);
    lastTickLabel = addText({PLOT_RIGHT, PLOT_BOTTOM - 32, 0}, 22, DARK, osgText::Text::RIGHT_BASE_LINE);
    arrangeLabels(POPULATIONS);
}

osg::ref_ptr<osgText::Text> PopulationChart::addText(const osg::Vec3& position, float size,
                                                     const osg::Vec4& colour,
                                                     osgText::Text::AlignmentType alignment) {
    osg::ref_ptr<osgText::Text> text = new osgText::Text;
    text->setDataVariance(osg::Object::DYNAMIC);
    text->setFont(FONT);
    text->setCharacterSize(size);
    text->setColor(colour);
    text->setAlignment(alignment);
    text->setPosition(position);
    geode->addDrawable(text.get());
    return text;
}

void PopulationChart::setText(osgText::Text& text, const std::string& value) {
    if (text.getText().createUTF8EncodedString() != value)
        text.setText(value);
}

std::string PopulationChart::viewName(View shown) {
    if (shown == POPULATIONS || shown == VIEWS)
        return "populations";
    return OrganismKind::name(static_cast<OrganismKind::Value>(shown - HERBIVORE_TRAITS)) + " trait means";
}

void PopulationChart::arrangeLabels(View shown) {
    if (arranged == static_cast<int>(shown))
        return;
    arranged = shown;
    const bool traits = shown != POPULATIONS && shown != VIEWS;
    // Each label measured at the widest it gets: a count of six digits, a mean of 100.0.
    std::array<std::string, LABELS> widest;
    if (traits) {
        const auto kind = static_cast<OrganismKind::Value>(shown - HERBIVORE_TRAITS);
        widest[0] = std::string(KIND_NAMES[kind]) + " 888888";
        for (int trait = 0; trait < CensusColumns::traitCount(kind); ++trait)
            widest[trait + 1] = CensusColumns::traitName(kind, trait) + " 100.0";
    } else {
        for (int kind = 0; kind < OrganismKind::COUNT; ++kind)
            widest[kind] = std::string(KIND_NAMES[kind]) + " 888888";
    }
    const float size = traits ? 21 : 26;
    constexpr float GAP = 14;
    std::array<float, 3> columns{};
    for (int i = 0; i < LABELS; ++i) {
        labels[i]->setCharacterSize(size);
        setText(*labels[i], widest[i]);
        const osg::BoundingBox box = labels[i]->getBoundingBox();
        if (!widest[i].empty())
            columns[i % 3] = std::max(columns[i % 3], box.xMax() - box.xMin());
    }
    const float room = PLOT_RIGHT + 15 - 10;
    const float needed = columns[0] + columns[1] + columns[2] + 2 * GAP;
    const float scale = std::min(1.0f, room / needed);
    float x = 10;
    for (int column = 0; column < 3; ++column) {
        for (int i = column; i < LABELS; i += 3) {
            labels[i]->setCharacterSize(size * scale);
            labels[i]->setPosition({x, traits ? (i < 3 ? PLOT_TOP + 36 : PLOT_TOP + 11) : PLOT_TOP + 30, 0});
        }
        x += (columns[column] + GAP) * scale;
    }
}

std::vector<osg::BoundingBox> PopulationChart::labelBoxes() const {
    std::vector<osg::BoundingBox> boxes{stateText->getBoundingBox()};
    for (const auto& label : labels)
        if (!label->getText().empty())
            boxes.push_back(label->getBoundingBox());
    return boxes;
}

osg::Vec2 PopulationChart::place(long tick, double value) const {
    const float x =
        PLOT_LEFT + static_cast<float>((tick - firstTick) / ticksAcross) * (PLOT_RIGHT - PLOT_LEFT);
    const float y = PLOT_BOTTOM + static_cast<float>(value / top) * (PLOT_TOP - PLOT_BOTTOM);
    return {x, y};
}

const osg::Vec3Array& PopulationChart::linePoints(int line) const {
    return *static_cast<const osg::Vec3Array*>(lines[line]->getVertexArray());
}

void PopulationChart::setLine(int line, const osg::Vec4& colour,
                              const std::vector<std::vector<osg::Vec2>>& runs) {
    osg::Geometry& shape = *lines[line];
    osg::Vec4Array* colours = static_cast<osg::Vec4Array*>(shape.getColorArray());
    if ((*colours)[0] != colour) {
        (*colours)[0] = colour;
        colours->dirty();
    }
    osg::Vec3Array* vertices = static_cast<osg::Vec3Array*>(shape.getVertexArray());
    vertices->clear();
    shape.removePrimitiveSet(0, shape.getNumPrimitiveSets());
    for (const std::vector<osg::Vec2>& run : runs) {
        if (run.empty())
            continue;
        shape.addPrimitiveSet(new osg::DrawArrays(GL_LINE_STRIP, static_cast<GLint>(vertices->size()),
                                                  static_cast<GLsizei>(run.size())));
        for (const osg::Vec2& point : run)
            vertices->push_back({point.x(), point.y(), 0.0f});
    }
    vertices->dirty();
    shape.dirtyBound();
}

void PopulationChart::draw(const PopulationHistory& history, const std::string& state) {
    setText(*stateText, state);
    if (history.empty())
        return;
    // The lines span the width from the oldest tick held to the newest, and scroll once it is full.
    firstTick = history.firstTick();
    ticksAcross = static_cast<double>(std::max<long>(history.lastTick() - history.firstTick(), 1));
    setText(*firstTickLabel, "tick " + std::to_string(history.firstTick()));
    setText(*lastTickLabel, "tick " + std::to_string(history.lastTick()));
    if (view == POPULATIONS)
        drawPopulations(history);
    else
        drawTraits(history, static_cast<OrganismKind::Value>(view - HERBIVORE_TRAITS));
}

void PopulationChart::drawPopulations(const PopulationHistory& history) {
    arrangeLabels(POPULATIONS);
    const int scale = PopulationHistory::scaleTop(history.largest());
    top = scale;
    setText(*topLabel, std::to_string(scale));
    setText(*middleLabel, std::to_string(scale / 2));
    std::vector<std::vector<osg::Vec2>> runs(1);
    for (int kind = 0; kind < OrganismKind::COUNT; ++kind) {
        const auto which = static_cast<OrganismKind::Value>(kind);
        labels[kind]->setColor(KIND_COLOURS[kind]);
        setText(*labels[kind], std::string(KIND_NAMES[kind]) + " " + std::to_string(history.latest()[kind]));
        runs[0].resize(history.size());
        for (size_t i = 0; i < history.size(); ++i)
            runs[0][i] = place(history.tickAt(i), history.countAt(i, which));
        setLine(kind, KIND_COLOURS[kind], runs);
    }
    for (int line = OrganismKind::COUNT; line < CensusColumns::MAX_TRAITS; ++line)
        setLine(line, DARK, {});
}

void PopulationChart::drawTraits(const PopulationHistory& history, OrganismKind::Value kind) {
    arrangeLabels(view);
    top = TRAIT_TOP;
    setText(*topLabel, "100");
    setText(*middleLabel, "50");
    const osg::Vec4& colour = KIND_COLOURS[kind];
    const int traits = CensusColumns::traitCount(kind);
    const int living = history.latest()[kind];
    labels[0]->setColor(colour);
    setText(*labels[0], std::string(KIND_NAMES[kind]) + " " + std::to_string(living));
    char mean[32];
    for (int trait = 0; trait < CensusColumns::MAX_TRAITS; ++trait) {
        if (trait >= traits) {
            setText(*labels[trait + 1], "");
            setLine(trait, colour, {});
            continue;
        }
        const osg::Vec4 own = shade(colour, trait, traits);
        // No living member, no mean: the line breaks there, and the label has none to show.
        std::vector<std::vector<osg::Vec2>> runs(1);
        for (size_t i = 0; i < history.size(); ++i) {
            if (history.countAt(i, kind) == 0) {
                if (!runs.back().empty())
                    runs.emplace_back();
                continue;
            }
            runs.back().push_back(place(history.tickAt(i), history.meanAt(i, kind, trait)));
        }
        setLine(trait, own, runs);
        if (living > 0)
            std::snprintf(mean, sizeof mean, " %.1f", history.meanAt(history.size() - 1, kind, trait));
        else
            std::snprintf(mean, sizeof mean, " -");
        labels[trait + 1]->setColor(own);
        setText(*labels[trait + 1], CensusColumns::traitName(kind, trait) + mean);
    }
}
