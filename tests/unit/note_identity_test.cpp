// "Same note or changed": a save overwrites its note file without asking only when the file
// matches the one the document read or wrote in size, time, IV and digest alike.
#include <gtest/gtest.h>

#include <functional>

#include "storage/note_identity.h"

namespace {

TEST(NoteIdentity, OnlyAFileThatMatchesInEveryPartIsTheSameNote) {
    NoteIdentity read;
    read.present = true;
    read.size = 204800;
    read.lastWrite = 133000000000000000u;
    read.iv.fill(7);
    read.digest.fill(9);

    struct Case {
        const char* what;
        std::function<void(NoteIdentity&)> change;
        bool same;
    };
    const Case cases[] = {
        {"untouched", [](NoteIdentity&) {}, true},
        {"a setting rewritten beside the record: new time", [](NoteIdentity& n) { ++n.lastWrite; },
         false},
        {"a new editor image: new size", [](NoteIdentity& n) { n.size += 512; }, false},
        {"saved elsewhere within a coarse time step", [](NoteIdentity& n) { n.iv[15] ^= 1; },
         false},
        {"a text encrypted under the same IV", [](NoteIdentity& n) { n.digest[0] ^= 1; }, false},
        {"a file that holds no record",
         [](NoteIdentity& n) {
             n.iv = {};
             n.digest = {};
         },
         false},
        {"deleted or renamed", [](NoteIdentity& n) { n = NoteIdentity(); }, false},
    };
    for (const Case& c : cases) {
        NoteIdentity now = read;
        c.change(now);
        EXPECT_EQ(c.same, sameNote(read, now)) << c.what;
        EXPECT_EQ(c.same, sameNote(now, read)) << c.what << ", seen the other way";
    }
    EXPECT_TRUE(sameNote(NoteIdentity(), NoteIdentity())) << "gone, and still gone";
}

}  // namespace
