#pragma once

#include "lab/PopulationHistory.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/ref_ptr>
#include <osgText/Text>

#include <array>
#include <string>

// The lab's live chart of the three populations, for the HUD's overlay (1280 x 1024 units,
// origin at the bottom left): a line per kind in the population plot's colours, a scale,
// the ticks it spans and the current counts, on a backdrop that keeps it legible over the board.
class PopulationChart {
public:
    // Where the plot's lines run, in overlay units; the backdrop reaches around them.
    static constexpr float PLOT_LEFT = 75;
    static constexpr float PLOT_RIGHT = 600;
    static constexpr float PLOT_BOTTOM = 60;
    static constexpr float PLOT_TOP = 280;
    static constexpr float PANEL_TOP = 372;

    PopulationChart();

    osg::Node* getNode() const { return geode.get(); }
    // Draws the history, scaled to its largest count; the state line goes above the counts.
    void draw(const PopulationHistory& history, const std::string& state);
    // The overlay point of a count at a tick, for the history drawn last.
    osg::Vec2 place(long tick, int count) const;

private:
    osg::ref_ptr<osgText::Text> addText(const osg::Vec3& position, float size, const osg::Vec4& colour,
                                        osgText::Text::AlignmentType alignment);
    void setText(osgText::Text& text, const std::string& value);

    osg::ref_ptr<osg::Geode> geode;
    std::array<osg::ref_ptr<osg::Geometry>, CensusColumns::GROUPS> lines;
    std::array<osg::ref_ptr<osgText::Text>, CensusColumns::GROUPS> counts;
    osg::ref_ptr<osgText::Text> stateText;
    osg::ref_ptr<osgText::Text> topLabel;
    osg::ref_ptr<osgText::Text> middleLabel;
    osg::ref_ptr<osgText::Text> firstTickLabel;
    osg::ref_ptr<osgText::Text> lastTickLabel;
    long firstTick = 0;
    double ticksAcross = 1.0;
    int top = 10;
};
