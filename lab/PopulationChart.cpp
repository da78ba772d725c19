#include "lab/PopulationChart.h"

#include <osg/BlendFunc>
#include <osg/LineWidth>

#include <algorithm>

namespace {

const char* const FONT = "../data/arial.ttf";
const osg::Vec4 DARK(0.04f, 0.04f, 0.04f, 1.0f);
// The population plot's colours: herbivores blue, carnivores red, plants green.
const osg::Vec4 KIND_COLOURS[CensusColumns::GROUPS] = {
    {0x2a / 255.0f, 0x62 / 255.0f, 0xb8 / 255.0f, 1.0f},
    {0xc0 / 255.0f, 0x30 / 255.0f, 0x2c / 255.0f, 1.0f},
    {0x2e / 255.0f, 0x9a / 255.0f, 0x3a / 255.0f, 1.0f},
};
const char* const KIND_NAMES[CensusColumns::GROUPS] = {"herbivores", "carnivores", "plants"};
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

} // namespace

PopulationChart::PopulationChart() : geode(new osg::Geode) {
    geode->getOrCreateStateSet()->setAttributeAndModes(new osg::LineWidth(2.0f));
    geode->addDrawable(makeBackdrop().get());
    geode->addDrawable(makeGrid().get());
    for (int kind = 0; kind < CensusColumns::GROUPS; ++kind) {
        lines[kind] = makeShape(new osg::Vec3Array, KIND_COLOURS[kind], GL_LINE_STRIP);
        geode->addDrawable(lines[kind].get());
        counts[kind] = addText({10.0f + 205.0f * kind, PLOT_TOP + 30, 0}, 26, KIND_COLOURS[kind],
                               osgText::Text::LEFT_BASE_LINE);
    }
    stateText = addText({10, PLOT_TOP + 64, 0}, 26, DARK, osgText::Text::LEFT_BASE_LINE);
    topLabel = addText({PLOT_LEFT - 6, PLOT_TOP, 0}, 22, DARK, osgText::Text::RIGHT_CENTER);
    middleLabel =
        addText({PLOT_LEFT - 6, (PLOT_TOP + PLOT_BOTTOM) * 0.5f, 0}, 22, DARK, osgText::Text::RIGHT_CENTER);
    addText({PLOT_LEFT - 6, PLOT_BOTTOM, 0}, 22, DARK, osgText::Text::RIGHT_CENTER)->setText("0");
    firstTickLabel = addText({PLOT_LEFT, PLOT_BOTTOM - 32, 0}, 22, DARK, osgText::Text::LEFT_BASE_LINE);
    lastTickLabel = addText({PLOT_RIGHT, PLOT_BOTTOM - 32, 0}, 22, DARK, osgText::Text::RIGHT_BASE_LINE);
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

osg::Vec2 PopulationChart::place(long tick, int count) const {
    const float x =
        PLOT_LEFT + static_cast<float>((tick - firstTick) / ticksAcross) * (PLOT_RIGHT - PLOT_LEFT);
    const float y = PLOT_BOTTOM + static_cast<float>(count) / top * (PLOT_TOP - PLOT_BOTTOM);
    return {x, y};
}

void PopulationChart::draw(const PopulationHistory& history, const std::string& state) {
    setText(*stateText, state);
    if (history.empty())
        return;
    // The lines span the width from the oldest tick held to the newest, and scroll once it is full.
    firstTick = history.firstTick();
    ticksAcross = static_cast<double>(std::max<long>(history.lastTick() - history.firstTick(), 1));
    top = PopulationHistory::scaleTop(history.largest());
    setText(*topLabel, std::to_string(top));
    setText(*middleLabel, std::to_string(top / 2));
    setText(*firstTickLabel, "tick " + std::to_string(history.firstTick()));
    setText(*lastTickLabel, "tick " + std::to_string(history.lastTick()));
    for (int kind = 0; kind < CensusColumns::GROUPS; ++kind) {
        const auto which = static_cast<CensusColumns::Group>(kind);
        setText(*counts[kind], std::string(KIND_NAMES[kind]) + " " + std::to_string(history.latest()[kind]));
        osg::Vec3Array* vertices = static_cast<osg::Vec3Array*>(lines[kind]->getVertexArray());
        vertices->resize(history.size());
        for (size_t i = 0; i < history.size(); ++i) {
            const osg::Vec2 point = place(history.tickAt(i), history.countAt(i, which));
            (*vertices)[i].set(point.x(), point.y(), 0.0f);
        }
        vertices->dirty();
        static_cast<osg::DrawArrays*>(lines[kind]->getPrimitiveSet(0))
            ->setCount(static_cast<GLsizei>(vertices->size()));
        lines[kind]->dirtyBound();
    }
}
