#pragma once

#include "lab/PopulationHistory.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/ref_ptr>
#include <osgText/Text>

#include <array>
#include <string>
#include <vector>

// The lab's live chart of the three populations, for the HUD's overlay (1280 x 1024 units,
// origin at the bottom left): a line per kind in the population plot's colours, a scale,
// the ticks it spans and the current counts, on a backdrop that keeps it legible over the board.
// Its other views draw one kind's trait means instead, a line per trait in shades of the kind's
// colour on a fixed scale of 0..100, broken where the kind had no living members.
class PopulationChart {
public:
    enum View { POPULATIONS, HERBIVORE_TRAITS, CARNIVORE_TRAITS, PLANT_TRAITS, VIEWS };

    // Where the plot's lines run, in overlay units; the backdrop reaches around them.
    static constexpr float PLOT_LEFT = 75;
    static constexpr float PLOT_RIGHT = 600;
    static constexpr float PLOT_BOTTOM = 60;
    static constexpr float PLOT_TOP = 280;
    static constexpr float PANEL_TOP = 372;

    PopulationChart();

    osg::Node* getNode() const { return geode.get(); }
    // The populations, then the herbivores', carnivores' and plants' traits, then the populations again.
    static View next(View view) { return static_cast<View>((view + 1) % VIEWS); }
    // "populations", "herbivore trait means", ...
    static std::string viewName(View view);
    View getView() const { return view; }
    void setView(View chosen) { view = chosen; }

    // Draws the history in the view chosen: the populations scaled to the largest count, the
    // traits on 0..100. The state line goes above the counts.
    void draw(const PopulationHistory& history, const std::string& state);
    // The overlay point of a value at a tick, for the history drawn last.
    osg::Vec2 place(long tick, double value) const;
    // The points of a line as drawn last, in overlay units: a kind's (populations) or a trait's.
    const osg::Vec3Array& linePoints(int line) const;
    // The runs the line is drawn in: more than one where it breaks.
    unsigned lineRuns(int line) const { return lines[line]->getNumPrimitiveSets(); }
    // The extent of every label showing text, the state line's first, in overlay units.
    std::vector<osg::BoundingBox> labelBoxes() const;

private:
    osg::ref_ptr<osgText::Text> addText(const osg::Vec3& position, float size, const osg::Vec4& colour,
                                        osgText::Text::AlignmentType alignment);
    void setText(osgText::Text& text, const std::string& value);
    void drawPopulations(const PopulationHistory& history);
    void drawTraits(const PopulationHistory& history, OrganismKind::Value kind);
    // Lays the labels out for a view: three in a row for the counts, two rows of three for a kind's
    // traits, in columns as wide as their widest label can grow, the text smaller where that is
    // needed for the rows to fit the panel.
    void arrangeLabels(View shown);
    // A line of runs of points, each run drawn on its own: a gap between two runs.
    void setLine(int line, const osg::Vec4& colour, const std::vector<std::vector<osg::Vec2>>& runs);

    osg::ref_ptr<osg::Geode> geode;
    static constexpr int LABELS = CensusColumns::MAX_TRAITS + 1;
    std::array<osg::ref_ptr<osg::Geometry>, CensusColumns::MAX_TRAITS> lines;
    std::array<osg::ref_ptr<osgText::Text>, LABELS> labels;
    osg::ref_ptr<osgText::Text> stateText;
    osg::ref_ptr<osgText::Text> topLabel;
    osg::ref_ptr<osgText::Text> middleLabel;
    osg::ref_ptr<osgText::Text> firstTickLabel;
    osg::ref_ptr<osgText::Text> lastTickLabel;
    long firstTick = 0;
    double ticksAcross = 1.0;
    double top = 10;
    View view = POPULATIONS;
    int arranged = -1;
};
