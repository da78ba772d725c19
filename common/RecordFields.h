#pragma once

// A record's saved fields are listed once, in an X-macro beside the record (see LifeRecord.h): the
// record's members, its table's columns, the writer and the reader are all expanded from that list.
//
// An entry of a record's own is OWN(type, member, initial, column, codec, bounds...):
// - type, member and initial make the member of the record;
// - column names its column in the saved world (a prefix for a codec of several columns);
// - codec says how it is stored and read back (the classes of SavedFieldCodec: Whole, Trait, Flag, ...);
// - bounds, if any, are what a value read back must keep; they may use `rules` and `tick` (the
//   saved world's rules and tick) and `r`, the record as far as it is read.
// A list of a record that holds an organism's common part places that part's fields among its
// own with LIFE(member, bounds...).
//
// Where the live object keeps a field in a member of the same name, its record() and its constructor
// from a record copy it with the two macros below; a list marks the fields the live object holds
// otherwise (the tile an organism is listed on, the target it holds a pointer to), which are copied
// by hand.

// Expands an entry into the member it declares.
#define SYLVARA_RECORD_MEMBER(type, member, initial, ...) type member = initial;
// Expands an entry into nothing.
#define SYLVARA_RECORD_SKIP(...)
// Expands an entry into the copy from the live object's member into its record `r`, and back from
// `record`, converted to the member's type.
#define SYLVARA_RECORD_FROM_MEMBER(type, member, ...) r.member = member;
#define SYLVARA_MEMBER_FROM_RECORD(type, member, ...) member = static_cast<decltype(member)>(record.member);
