#include "save/SavedFieldCodec.h"

#include <algorithm>

long long SavedFieldCodec::Key::read(SavedCells& cells, long long low, long long high) {
    const long long key = cells.whole(low, high);
    if (cells.ok())
        cells.addKey(key);
    return key;
}

void SavedFieldCodec::Point::columns(Columns& out, const std::string& name) {
    for (const char* axis : {"x", "y", "z"})
        out.push_back({name + axis, "REAL"});
}

void SavedFieldCodec::Colour::columns(Columns& out, const std::string& name) {
    for (const char* channel : {"red", "green", "blue"})
        out.push_back({name + channel, "REAL"});
}

osg::Vec3f SavedFieldCodec::Colour::read(SavedCells& cells) {
    const float red = cells.single();
    const float green = cells.single();
    return osg::Vec3f(red, green, cells.single());
}

int SavedFieldCodec::AnimalKind::read(SavedCells& cells) {
    const std::string name = cells.text();
    const int kind = SavedWorldSchema::kindValue(name);
    if (kind < 0)
        cells.failLast("\"" + name + "\" is neither herbivore nor carnivore");
    return kind;
}

void SavedFieldCodec::MarkerKind::write(SavedRow& row, MarkerRecord::Kind kind) {
    row << SavedWorldSchema::markerKindNames()[static_cast<size_t>(kind)];
}

MarkerRecord::Kind SavedFieldCodec::MarkerKind::read(SavedCells& cells) {
    const std::vector<std::string>& kinds = SavedWorldSchema::markerKindNames();
    const std::string name = cells.text();
    const auto found = std::find(kinds.begin(), kinds.end(), name);
    if (found == kinds.end())
        cells.failLast("\"" + name + "\" is no marker");
    return static_cast<MarkerRecord::Kind>(found - kinds.begin());
}
