#pragma once

#include "life/Genome.h"
#include "save/MarkerRecord.h"
#include "save/SavedCells.h"
#include "save/SavedRow.h"
#include "save/SavedWorldSchema.h"

#include <osg/Vec3f>
#include <osg/Vec4>

#include <string>
#include <vector>

// How a saved field is stored: the columns it takes, how its value is written, and how it is read
// back and checked. A record's field list names one of these for each field (see RecordFields.h).
class SavedFieldCodec {
public:
    using Columns = std::vector<SavedWorldSchema::Column>;

    // A whole number, by default of any int's range.
    struct Whole {
        static void columns(Columns& out, const std::string& name) { out.push_back({name, "INTEGER"}); }
        static void write(SavedRow& row, long long value) { row << value; }
        static long long read(SavedCells& cells, long long low = INT_MIN, long long high = INT_MAX) {
            return cells.whole(low, high);
        }
    };
    // A whole number that names its row ("tile 2,3").
    struct Key : Whole {
        static long long read(SavedCells& cells, long long low = INT_MIN, long long high = INT_MAX);
    };
    // An organism's id: the table's primary key, and the row's name ("animal 17").
    struct Id : Key {
        static void columns(Columns& out, const std::string& name) {
            out.push_back({name, "INTEGER PRIMARY KEY"});
        }
        static long long read(SavedCells& cells) { return Key::read(cells, 0, INT_MAX); }
    };
    // A gene, 1..100 unless bounded otherwise.
    struct Trait : Whole {
        static int read(SavedCells& cells, int low = 1, int high = 100) { return cells.trait(low, high); }
    };
    struct Flag : Whole {
        static bool read(SavedCells& cells) { return cells.flag(); }
    };
    // A whole number, or null for none (-1).
    struct OrNull : Whole {
        static void write(SavedRow& row, long long value) { row.orNull(value, value >= 0); }
        static int read(SavedCells& cells) { return cells.wholeOrNull(-1); }
    };
    // A finite number.
    struct Number {
        static void columns(Columns& out, const std::string& name) { out.push_back({name, "REAL"}); }
        static void write(SavedRow& row, double value) { row << value; }
        static double read(SavedCells& cells) { return cells.number(); }
    };
    // A finite number that fits a float.
    struct Single {
        static void columns(Columns& out, const std::string& name) { out.push_back({name, "REAL"}); }
        static void write(SavedRow& row, float value) { row << value; }
        static float read(SavedCells& cells) { return cells.single(); }
    };
    // Three numbers: NAMEx, NAMEy, NAMEz.
    struct Point {
        static void columns(Columns& out, const std::string& name);
        static void write(SavedRow& row, const osg::Vec3d& value) { row << value; }
        static osg::Vec3d read(SavedCells& cells) { return cells.point(); }
    };
    // Three floats: NAMEred, NAMEgreen, NAMEblue; a shade's alpha is not kept.
    struct Colour {
        static void columns(Columns& out, const std::string& name);
        static void write(SavedRow& row, const osg::Vec3f& value) {
            row << value.x() << value.y() << value.z();
        }
        static void write(SavedRow& row, const osg::Vec4& value) {
            row << value.x() << value.y() << value.z();
        }
        static osg::Vec3f read(SavedCells& cells);
    };
    struct Text {
        static void columns(Columns& out, const std::string& name) { out.push_back({name, "TEXT"}); }
        static void write(SavedRow& row, const std::string& value) { row << value; }
        static std::string read(SavedCells& cells) { return cells.text(); }
    };
    // Text that is the table's primary key.
    struct TextKey : Text {
        static void columns(Columns& out, const std::string& name) {
            out.push_back({name, "TEXT PRIMARY KEY"});
        }
    };
    // A text key that names its row ("rule plant.growAt").
    struct Name : TextKey {
        static std::string read(SavedCells& cells);
    };
    // Whether the draws follow a fixed seed: "fixed" or "clock".
    struct SeedMode : Text {
        static void write(SavedRow& row, bool fixed) { row << std::string(fixed ? "fixed" : "clock"); }
        static bool read(SavedCells& cells);
    };
    // A genotype's genome: its kind by name ("herbivore", "plant"), then trait_1 to trait_5. The
    // traits a kind lacks are 0.
    struct GenomeColumns {
        static void columns(Columns& out, const std::string& name);
        static void write(SavedRow& row, const Genome& genome);
        static Genome read(SavedCells& cells);
    };
    // A behaviour state by name, of those the organism may be in.
    struct State {
        static void columns(Columns& out, const std::string& name) { out.push_back({name, "TEXT"}); }
        static void write(SavedRow& row, int state) { row << SavedWorldSchema::stateName(state); }
        static int read(SavedCells& cells, bool (*allowed)(int state)) { return cells.state(allowed); }
    };
    // "herbivore" or "carnivore".
    struct AnimalKind : State {
        static void write(SavedRow& row, int kind) { row << SavedWorldSchema::kindName(kind); }
        static int read(SavedCells& cells);
    };
    // "life ping", "death ping", ...
    struct MarkerKind : State {
        static void write(SavedRow& row, MarkerRecord::Kind kind);
        static MarkerRecord::Kind read(SavedCells& cells);
    };

    // Stores what a codec read in the member, converted to the member's type.
    template <typename Member, typename Value> static void assign(Member& member, const Value& value) {
        member = static_cast<Member>(value);
    }
    static void assign(osg::Vec4& member, const osg::Vec3f& value) {
        member.set(value.x(), value.y(), value.z(), 1.0f);
    }
};

// The columns, the writing and the reading of a record, expanded from its field list. In each, `r` is
// the record; a LIFE entry reaches the organism's common part through LifeFields::of.
#define SYLVARA_COLUMNS_OWN(type, member, initial, column, codec, ...)                                       \
    SavedFieldCodec::codec::columns(out, column);
#define SYLVARA_WRITE_OWN(type, member, initial, column, codec, ...)                                         \
    SavedFieldCodec::codec::write(row, r.member);
#define SYLVARA_READ_OWN(type, member, initial, column, codec, ...)                                          \
    SavedFieldCodec::assign(r.member, SavedFieldCodec::codec::read(cells, ##__VA_ARGS__));
// A FIXED(column, codec, value) entry is a column whose value the record does not hold: written as
// given, read and checked for its type only.
#define SYLVARA_COLUMNS_FIXED(column, codec, value) SavedFieldCodec::codec::columns(out, column);
#define SYLVARA_WRITE_FIXED(column, codec, value) SavedFieldCodec::codec::write(row, value);
#define SYLVARA_READ_FIXED(column, codec, value) SavedFieldCodec::codec::read(cells);
