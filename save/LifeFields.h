#pragma once

#include "life/LifeRecord.h"
#include "save/SavedFieldCodec.h"

// The columns of an organism's common part, one type per field of the life list: the tables that
// keep the common part place these among their own fields.
struct LifeFields {
#define SYLVARA_LIFE_DESCRIPTOR(type, member, initial, column, codec)                                        \
    struct member {                                                                                          \
        using Codec = SavedFieldCodec::codec;                                                                \
        static constexpr const char* name = column;                                                          \
    };
    SYLVARA_LIFE_FIELDS(SYLVARA_LIFE_DESCRIPTOR, SYLVARA_LIFE_DESCRIPTOR)
#undef SYLVARA_LIFE_DESCRIPTOR

    // The common part of a record: its own or that of an animal or a plant.
    template <typename Record> static auto& of(Record& r) {
        return r.life;
    }
    static LifeRecord& of(LifeRecord& r) {
        return r;
    }
    static const LifeRecord& of(const LifeRecord& r) {
        return r;
    }
};

#define SYLVARA_COLUMNS_LIFE(member, ...) LifeFields::member::Codec::columns(out, LifeFields::member::name);
#define SYLVARA_WRITE_LIFE(member, ...) LifeFields::member::Codec::write(row, LifeFields::of(r).member);
#define SYLVARA_READ_LIFE(member, ...)                                                                       \
    SavedFieldCodec::assign(LifeFields::of(r).member, LifeFields::member::Codec::read(cells, ##__VA_ARGS__));
