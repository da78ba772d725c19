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

std::string SavedFieldCodec::Name::read(SavedCells& cells) {
    const std::string name = cells.text();
    if (cells.ok())
        cells.addName(name);
    return name;
}

bool SavedFieldCodec::SeedMode::read(SavedCells& cells) {
    const std::string mode = cells.text();
    if (mode != "fixed" && mode != "clock")
        cells.failLast("\"" + mode + "\" is neither fixed nor clock");
    return mode == "fixed";
}

void SavedFieldCodec::GenomeColumns::columns(Columns& out, const std::string& name) {
    out.push_back({name + "kind", "TEXT"});
    for (int trait = 1; trait <= Genome::TRAITS; ++trait)
        out.push_back({name + "trait_" + std::to_string(trait), "INTEGER"});
}

void SavedFieldCodec::GenomeColumns::write(SavedRow& row, const Genome& genome) {
    row << SavedWorldSchema::genomeKindName(genome.kind);
    for (std::uint8_t trait : genome.traits)
        row << static_cast<int>(trait);
}

Genome SavedFieldCodec::GenomeColumns::read(SavedCells& cells) {
    Genome genome;
    const std::string name = cells.text();
    const int kind = SavedWorldSchema::genomeKindValue(name);
    if (kind < 0)
        cells.failLast("\"" + name + "\" is no kind");
    else
        genome.kind = static_cast<std::uint8_t>(kind);
    for (int trait = 0; trait < Genome::TRAITS; ++trait)
        genome.traits[static_cast<size_t>(trait)] =
            static_cast<std::uint8_t>(cells.trait(trait < genome.traitCount() ? 1 : 0, 100));
    return genome;
}
