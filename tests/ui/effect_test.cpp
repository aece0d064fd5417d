// The effects' step sequences, values in and values out, copied by hand
// from the effect table for a 100 x 50 dialog at (100, 200).
#include "ui/vxeffect.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <string>

using namespace vx::effect;

namespace {

// One token a step: P place, A alpha, W show, I hide in place, H hide,
// R redraw, G region, F freeze, M store, N snapshot, L slice, T turn,
// Y add the layered style, Z drop it, K scale the snapshot, S sleep.
std::string Render(const std::vector<Step>& steps) {
    static const char* kCode[] = {"P", "A", "W", "I", "H", "R", "G", "F",
                                  "M", "N", "L", "T", "Y", "Z", "K", "S"};
    static const int kArgs[] = {4, 1, 0, 0, 0, 0, 0, 1, 4, 0, 3, 6, 0, 0, 1, 1};
    std::string out;
    for (const Step& s : steps) {
        const int op = static_cast<int>(s.op);
        out += out.empty() ? "" : " ";
        out += kCode[op];
        const int args[] = {s.a, s.b, s.c, s.d, s.e, s.f};
        for (int i = 0; i < kArgs[op]; ++i)
            out += (i ? "," : "") + std::to_string(args[i]);
    }
    return out;
}

const Start kStart = {100, 200, 100, 50, true, false};

struct Case {
    int effect;
    const char* script;
};

const Case kCases[] = {
    {1, "P100,200,100,10 S50 P100,200,100,20 S50 P100,200,100,30 S50 P100,200,100,40 S50 "
        "P100,200,100,50 S50 P100,200,100,50 R"},
    {2, "P100,200,100,40 S50 P100,200,100,30 S50 P100,200,100,20 S50 P100,200,100,10 S50 "
        "P100,200,100,0 S50 H"},
    {3, "P60,200,100,50 S50 P20,200,100,50 S50 P-20,200,100,50 S50 P-60,200,100,50 S50 "
        "P-100,200,100,50 S50"},
    {4, "I F0 R N P100,223,100,5 L100,22,5 S10 P100,221,100,10 L100,20,10 S10 "
        "P100,219,100,15 L100,17,15 S10 P100,217,100,20 L100,15,20 S10 "
        "P100,215,100,25 L100,12,25 S10 P100,213,100,30 L100,10,30 S10 "
        "P100,211,100,35 L100,7,35 S10 P100,209,100,40 L100,5,40 S10 "
        "P100,207,100,45 L100,2,45 S10 P100,205,100,50 L100,0,50 S10 P100,200,100,50 R"},
    {5, "F1 P100,202,100,45 S15 P100,204,100,40 S15 P100,206,100,35 S15 P100,208,100,30 S15 "
        "P100,210,100,25 S15 P100,212,100,20 S15 P100,214,100,15 S15 P100,216,100,10 S15 "
        "P100,218,100,5 S15 P100,225,100,1 R S50 H"},
    {6, "A0 W A79 S30 A98 S30 A117 S30 A136 S30 A155 S30 A174 S30 A193 S30 A212 S30 A231 S30 "
        "A250 S30"},
    {7, "A243 S30 A231 S30 A219 S30 A207 S30 A195 S30 A183 S30 A171 S30 A159 S30 A147 S30 "
        "A135 S30 A123 S30 A111 S30 A99 S30 A87 S30 A75 S30 A63 S30 A51 S30 A39 S30 A27 S30 "
        "A15 S30"},
    {8, "K1 F1 A50 P134,217,33,16 S20 A100 P118,209,66,32 S20 A150 P102,201,99,48 S20 "
        "M100,200,160,80 P70,185,160,80 G A183 M100,200,140,70 P80,190,140,70 S20 "
        "A216 M100,200,120,60 P90,195,120,60 S20 A249 M100,200,100,50 P100,200,100,50 S20 "
        "G K0 F0 R"},
    {9, "K1 F1 A217 M90,195,120,60 P90,195,120,60 G R S20 A184 M80,190,140,70 P80,190,140,70 G R "
        "S20 A151 M70,185,160,80 P70,185,160,80 G R S20 A100 M96,198,160,80 P96,198,107,54 "
        "S20 A50 M122,211,160,80 P122,211,54,28 S20 A0 M148,224,160,80 P148,224,1,2 S20 K0"},
    {10, "N Y W T0,0,100,0,0,50 S20 T10,0,90,0,10,50 S20 T20,0,80,0,20,50 S20 "
         "T30,0,70,0,30,50 S20 T40,0,60,0,40,50 S20 T50,0,50,0,50,50 S20 T60,0,40,0,60,50 S20 "
         "T70,0,30,0,70,50 S20 T80,0,20,0,80,50 S20 T90,0,10,0,90,50 S20 "
         "T100,0,0,0,100,50 S20 Z R"},
    {11, "N Y T0,15,100,15,0,65 S20 T10,6,90,24,10,56 S20 T20,3,80,27,20,53 S20 "
         "T30,2,70,28,30,52 S20 T40,1,60,29,40,51 S20 T50,0,50,30,50,50 S20"},
    {12, "P100,200,10,50 S20 P100,200,20,50 S20 P100,200,30,50 S20 P100,200,40,50 S20 "
         "P100,200,50,50 S20 P100,200,60,50 S20 P100,200,70,50 S20 P100,200,80,50 S20 "
         "P100,200,90,50 S20 P100,200,100,50 S20 P100,200,100,50 R"},
    {13, "P100,200,90,50 R S20 P100,200,80,50 R S20 P100,200,70,50 R S20 P100,200,60,50 R S20 "
         "P100,200,50,50 R S20 P100,200,40,50 R S20 P100,200,30,50 R S20 P100,200,20,50 R S20 "
         "P100,200,10,50 R S20 P100,200,0,50 R S20 H"},
    {14, ""},
    {-1, ""},
};

} // namespace

TEST(EffectSteps, EveryEffectFollowsItsTable) {
    for (const Case& c : kCases)
        EXPECT_EQ(c.script, Render(Steps(c.effect, kStart))) << "effect " << c.effect;
}

TEST(EffectSteps, SlideInBouncesAndEndsInPlace) {
    EXPECT_EQ("P-134,100,450,230 S50 P182,100,450,230 S50 P498,100,450,230 S50 "
              "P493,100,450,230 S20 P488,100,450,230 S20 P493,100,450,230 S20 "
              "P498,100,450,230 S20 P500,100,450,230 R",
              Render(Steps(0, {500, 100, 450, 230, true, false})));
}

TEST(EffectSteps, FlagsAndDegenerateSizes) {
    // Square corners: no region steps; a child's half turn ends hidden.
    const std::string square = Render(Steps(8, {100, 200, 100, 50, false, false}));
    EXPECT_EQ(std::string::npos, square.find('G')) << square;
    const std::string child = Render(Steps(11, {100, 200, 100, 50, true, true}));
    EXPECT_EQ(" H", child.substr(child.size() - 2));
    // A zero width does not divide by zero: the swell is 0.
    EXPECT_EQ("K1 F1 A50 P10,20,0,0 S20 A100 P10,20,0,0 S20 A150 P10,20,0,0 S20 M10,20,60,0 "
              "P-20,20,60,0 A183 M10,20,40,0 P-10,20,40,0 S20 A216 M10,20,20,0 P0,20,20,0 S20 "
              "A249 M10,20,0,0 P10,20,0,0 S20 K0 F0 R",
              Render(Steps(8, {10, 20, 0, 0, false, false})));
    // A turn narrower than 10 pixels still moves a pixel a step, and ends.
    const std::string narrow = Render(Steps(10, {0, 0, 5, 5, false, false}));
    EXPECT_EQ(6, std::count(narrow.begin(), narrow.end(), 'T')) << narrow;
    EXPECT_NE(std::string::npos, narrow.find("T5,0,-1,0,5,5 S20 Z R")) << narrow;
}
