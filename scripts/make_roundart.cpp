// Draws the corner art of the round button style (10) and writes it, with the
// band and middle colours, as fixed data to controls/roundart.cpp. Run once by
// hand when the art changes, and commit the output:
//
//   g++ -std=c++20 -O1 scripts/make_roundart.cpp -o /tmp/make_roundart
//   /tmp/make_roundart > controls/roundart.cpp
//
// Each corner continues its set's bands around a quarter outline: outside
// the outline near-white, then a one-pixel dark line that joins the dark top
// or bottom row and the dark side columns, then shades that lead into the
// neighbouring bands. A cell is coloured from its depth below the dark line,
// looked up in the row profile (top or bottom band) and the column profile
// (side band), each line one pixel wide, and mixed by the angle around the
// corner; curved cells are supersampled so that the outline stays smooth. The cells outside the
// outline are left unpainted, the cells next to them are near-white, a few
// rows are fixed by hand, and every cell next to a band stays within a few
// levels of that band.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
    double r = 0, g = 0, b = 0;
};
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
const Rgb White{254, 254, 254};

struct Set {
    const char* name;
    Rgb middle;
    std::array<Rgb, 18> left;   // columns 0..17
    std::array<Rgb, 17> right;  // columns w - 17..w - 1
    std::array<Rgb, 12> top;    // rows 0..11
    std::array<Rgb, 11> bottom; // rows h - 11..h - 1
};

const Set Sets[3] = {
    {"normal", {232, 231, 234},
     {{{247, 247, 247}, {160, 160, 160}, {153, 153, 153}, {195, 195, 195}, {201, 201, 201}, {213, 213, 213},
       {215, 215, 215}, {223, 223, 223}, {224, 224, 224}, {224, 224, 224}, {228, 228, 228}, {230, 232, 230},
       {231, 231, 232}, {232, 231, 234}, {232, 231, 234}, {232, 231, 234}, {232, 231, 234}, {232, 231, 234}}},
     {{{232, 231, 234}, {232, 231, 234}, {232, 231, 234}, {232, 231, 234}, {231, 231, 231}, {230, 230, 230},
       {228, 228, 228}, {224, 224, 224}, {224, 224, 224}, {222, 222, 222}, {217, 217, 217}, {211, 211, 211},
       {204, 204, 204}, {195, 195, 195}, {163, 163, 163}, {156, 156, 156}, {246, 246, 246}}},
     {{{106, 105, 103}, {246, 244, 245}, {244, 242, 243}, {238, 238, 238}, {235, 235, 235}, {234, 232, 235},
       {234, 232, 235}, {234, 234, 234}, {225, 225, 225}, {227, 226, 229}, {232, 231, 234}, {233, 235, 232}}},
     {{{233, 235, 232}, {239, 241, 238}, {242, 242, 242}, {245, 245, 245}, {254, 254, 255}, {255, 255, 255},
       {253, 253, 253}, {254, 254, 254}, {251, 251, 251}, {84, 84, 84}, {197, 197, 197}}}},
    {"hot", {106, 166, 226},
     {{{247, 247, 247}, {158, 160, 176}, {19, 46, 113}, {20, 95, 189}, {39, 115, 209}, {49, 127, 212},
       {61, 140, 217}, {75, 148, 217}, {79, 148, 215}, {85, 156, 220}, {87, 155, 220}, {98, 163, 227},
       {101, 162, 227}, {103, 163, 226}, {101, 161, 224}, {106, 166, 227}, {106, 166, 227}, {106, 166, 226}}},
     {{{106, 166, 226}, {106, 166, 226}, {100, 164, 225}, {99, 163, 224}, {99, 163, 224}, {97, 161, 225},
       {91, 159, 224}, {85, 152, 222}, {82, 151, 220}, {75, 147, 219}, {57, 141, 214}, {45, 127, 209},
       {38, 116, 214}, {19, 93, 192}, {20, 53, 124}, {152, 155, 171}, {246, 246, 246}}},
     {{{8, 6, 69}, {201, 212, 241}, {189, 200, 229}, {161, 192, 232}, {152, 184, 224}, {142, 180, 227},
       {139, 177, 224}, {127, 180, 233}, {99, 153, 206}, {100, 160, 221}, {106, 166, 226}, {118, 172, 230}}},
     {{{118, 172, 230}, {129, 182, 241}, {138, 189, 243}, {146, 197, 252}, {151, 206, 248}, {158, 213, 254},
       {163, 221, 247}, {173, 230, 255}, {197, 226, 233}, {64, 93, 99}, {197, 197, 197}}}},
    {"pressed", {106, 155, 204},
     {{{247, 247, 247}, {155, 157, 169}, {23, 45, 99}, {29, 90, 166}, {46, 108, 185}, {56, 119, 188},
       {66, 130, 193}, {78, 137, 194}, {82, 138, 193}, {87, 145, 197}, {89, 145, 197}, {99, 152, 204},
       {101, 150, 204}, {103, 151, 203}, {101, 149, 201}, {106, 154, 204}, {106, 154, 204}, {106, 155, 204}}},
     {{{106, 155, 204}, {106, 155, 204}, {100, 152, 202}, {99, 151, 201}, {99, 151, 201}, {98, 149, 202},
       {93, 148, 201}, {87, 142, 198}, {85, 140, 196}, {78, 136, 195}, {62, 130, 190}, {52, 118, 185},
       {45, 109, 189}, {28, 88, 168}, {25, 51, 109}, {148, 151, 164}, {246, 246, 246}}},
     {{{10, 9, 60}, {190, 199, 222}, {178, 188, 211}, {154, 179, 212}, {146, 172, 204}, {138, 168, 207},
       {135, 165, 204}, {125, 167, 210}, {98, 142, 185}, {100, 148, 198}, {106, 155, 204}, {117, 161, 208}}},
     {{{117, 161, 208}, {127, 170, 218}, {135, 176, 220}, {142, 184, 228}, {147, 191, 225}, {153, 198, 231},
       {157, 204, 226}, {166, 213, 233}, {186, 210, 215}, {62, 86, 90}, {197, 197, 197}}}},
};

constexpr int BlockW = 17;

// The band line that covers a fractional index (each line is one pixel wide,
// centred on its index); beyond the outermost line lies white.
Rgb lookup(const std::vector<Rgb>& p, double i)
{
    const long k = std::lround(std::floor(i + 0.5));
    if (k < 0)
        return White;
    return p[std::size_t(std::min<long>(k, long(p.size()) - 1))];
}

// One corner in its own frame: u grows from the control's side edge inwards,
// v from its top or bottom edge inwards (pixel centres at .5).
struct Corner {
    bool top;      // top or bottom block
    bool left;     // left or right block
    int rows;      // 11 or 10
    double edgeV;  // v of the dark row (0.5 top, 1.5 bottom)
    double radius; // of the dark line's quarter circle
    std::vector<Rgb> rowProfile;  // index = depth below the dark row + offset
    double rowOffset;
    std::vector<Rgb> sideProfile; // index = depth inside the dark column + 2
};

Rgb shade(const Corner& c, double u, double v)
{
    const double sideU = 2.5;
    const double cu = sideU + c.radius, cv = c.edgeV + c.radius;
    auto row = [&](double d) { return lookup(c.rowProfile, d + c.rowOffset); };
    auto side = [&](double d) { return lookup(c.sideProfile, d + 2); };
    if (u >= cu)
        return row(v - c.edgeV);
    if (v >= cv)
        return side(u - sideU);
    const double du = cu - u, dv = cv - v;
    const double d = c.radius - std::sqrt(du * du + dv * dv);
    const double phi = std::atan2(dv, du);
    const double we = std::sin(phi) * std::sin(phi);
    return row(d) * we + side(d) * (1 - we);
}

using Block = std::vector<std::vector<Rgb>>;   // [row][column], in the block's own order
using Painted = std::vector<std::vector<bool>>;

// Local (u, v) of a block cell.
void frame(const Corner& c, int row, int col, double& u, double& v)
{
    u = c.left ? col + 0.5 : (BlockW - 1 - col) + 0.5;
    v = c.top ? row + 0.5 : (c.rows - 1 - row) + 0.5;
}

Block draw(const Corner& c)
{
    Block b(std::size_t(c.rows), std::vector<Rgb>(BlockW));
    const double cu = 2.5 + c.radius, cv = c.edgeV + c.radius;
    for (int r = 0; r < c.rows; ++r) {
        for (int k = 0; k < BlockW; ++k) {
            double u, v;
            frame(c, r, k, u, v);
            if (u >= cu || v >= cv) {
                b[r][k] = shade(c, u, v);
                continue;
            }
            Rgb sum;
            const int n = 5;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                    sum = sum + shade(c, u - 0.5 + (i + 0.5) / n, v - 0.5 + (j + 0.5) / n);
            b[r][k] = sum * (1.0 / (n * n));
        }
    }
    return b;
}

// Cells outside the outline, in every set: per block row, how many cells from
// the control's side edge.
const int TopLeftOut[11] = {6, 5, 3, 3, 2, 1, 1, 1, 0, 0, 0};
const int TopRightOut[11] = {7, 5, 4, 3, 2, 1, 1, 1, 0, 0, 0};
const int BottomLeftOut[10] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 5};  // rows h - 10..h - 1
const int BottomRightOut[10] = {0, 0, 0, 1, 1, 1, 2, 3, 4, 5}; // rows h - 10..h - 1

Painted outline(const Corner& c, const int* out)
{
    Painted p(std::size_t(c.rows), std::vector<bool>(BlockW, true));
    for (int r = 0; r < c.rows; ++r)
        for (int i = 0; i < out[r]; ++i)
            p[r][c.left ? i : BlockW - 1 - i] = false;
    return p;
}

std::string cell(const Rgb& x, bool painted)
{
    if (!painted)
        return "NP";
    auto ch = [](double v) { return int(std::lround(std::clamp(v, 0.0, 255.0))); };
    char buf[40];
    std::snprintf(buf, sizeof buf, "c(%d, %d, %d)", ch(x.r), ch(x.g), ch(x.b));
    return buf;
}

template <std::size_t N>
std::string list(const std::array<Rgb, N>& a)
{
    std::string s = "{{";
    for (std::size_t i = 0; i < N; ++i)
        s += (i ? ", " : "") + cell(a[i], true);
    return s + "}}";
}

std::string block(const Block& b, const Painted& p, const char* indent)
{
    std::string s = "{{\n";
    for (std::size_t r = 0; r < b.size(); ++r) {
        s += indent;
        s += "{{";
        for (std::size_t k = 0; k < b[r].size(); ++k)
            s += (k ? ", " : "") + cell(b[r][k], p[r][k]);
        s += "}},\n";
    }
    s += "    }}";
    return s;
}

// Keeps a cell within `limit` levels of the band pixel next to it.
void clampTo(Rgb& x, const Rgb& band, double limit)
{
    x.r = std::clamp(x.r, band.r - limit, band.r + limit);
    x.g = std::clamp(x.g, band.g - limit, band.g + limit);
    x.b = std::clamp(x.b, band.b - limit, band.b + limit);
}

} // namespace

int main()
{
    std::printf("// The fixed art of the round button style (10): per colour set the middle,\n"
                "// the band lines and the four corner blocks. Written by\n"
                "// scripts/make_roundart.cpp; change the generator, not this file.\n"
                "#include \"controls/roundart.h\"\n\n"
                "namespace melodune {\n\nnamespace {\n\n"
                "constexpr PackedColor c(int r, int g, int b) { return rt::rgb(r, g, b); }\n"
                "constexpr PackedColor NP = RoundNoCell;\n\n");

    for (int si = 0; si < 3; ++si) {
        const Set& set = Sets[si];
        // Bottom row profile from the dark row inwards, with the outer row first.
        std::vector<Rgb> bottomProfile;
        for (int j = 10; j >= 0; --j)
            bottomProfile.push_back(set.bottom[std::size_t(j)]);
        std::vector<Rgb> rightProfile;
        for (int i = 16; i >= 0; --i)
            rightProfile.push_back(set.right[std::size_t(i)]);
        const std::vector<Rgb> topProfile(set.top.begin(), set.top.end());
        const std::vector<Rgb> leftProfile(set.left.begin(), set.left.end());

        const Corner corners[4] = {
            {true, true, 11, 0.5, 9.9, topProfile, 0, leftProfile},
            {true, false, 11, 0.5, 9.9, topProfile, 0, rightProfile},
            {false, true, 10, 1.5, 8.0, bottomProfile, 1, leftProfile},
            {false, false, 10, 1.5, 8.0, bottomProfile, 1, rightProfile},
        };
        const int* outs[4] = {TopLeftOut, TopRightOut, BottomLeftOut, BottomRightOut};
        Block blocks[4];
        Painted painted[4];
        for (int k = 0; k < 4; ++k) {
            blocks[k] = draw(corners[k]);
            painted[k] = outline(corners[k], outs[k]);
            const Painted& p = painted[k];
            // The first cell inside the outline is near-white.
            for (int r = 0; r < corners[k].rows; ++r)
                for (int col = 0; col < BlockW; ++col) {
                    if (!p[r][col])
                        continue;
                    const bool nextToOut = (col > 0 && !p[r][col - 1]) || (col + 1 < BlockW && !p[r][col + 1]) ||
                                           (r > 0 && !p[r - 1][col]) || (r + 1 < corners[k].rows && !p[r + 1][col]);
                    if (nextToOut)
                        blocks[k][r][col] = White;
                }
        }
        // Rows fixed by hand.
        auto fix = [&](Block& b, int row, std::initializer_list<Rgb> cells, int firstCol) {
            int col = firstCol;
            for (const Rgb& x : cells)
                b[row][col++] = x;
        };
        if (si == 0) {
            fix(blocks[0], 0,
                {{254, 254, 254}, {230, 230, 230}, {172, 172, 172}, {122, 122, 122}, {108, 108, 108},
                 {107, 107, 107}, {111, 111, 111}, {111, 111, 113}, {112, 112, 114}, {102, 104, 103},
                 {107, 109, 108}},
                6);
            fix(blocks[2], 8,
                {{254, 254, 254}, {249, 249, 249}, {236, 236, 236}, {218, 218, 218}, {193, 193, 193},
                 {157, 157, 157}, {123, 123, 123}, {94, 94, 94}, {83, 83, 83}, {77, 77, 77}, {75, 75, 75},
                 {80, 80, 80}, {82, 82, 82}, {85, 85, 85}},
                3);
        } else if (si == 1) {
            fix(blocks[0], 0,
                {{254, 254, 254}, {229, 229, 230}, {165, 165, 169}, {94, 94, 108}, {41, 39, 72}, {12, 13, 55},
                 {6, 7, 55}, {5, 6, 54}, {6, 6, 58}, {7, 8, 65}, {7, 7, 69}},
                6);
            fix(blocks[0], 5,
                {{254, 254, 254}, {201, 201, 205}, {23, 37, 136}, {0, 33, 146}, {0, 58, 161}, {51, 115, 213},
                 {111, 163, 223}, {118, 168, 221}, {115, 165, 216}, {128, 174, 223}, {125, 173, 219},
                 {132, 176, 223}, {134, 178, 223}, {136, 177, 223}, {141, 181, 225}, {142, 181, 227}},
                1);
        }
        // Cells next to a band stay close to it: the inner column next to the
        // top or bottom band, the inner row next to the side band.
        const double limit = 6;
        for (int k = 0; k < 4; ++k) {
            const Corner& c = corners[k];
            const int innerCol = c.left ? BlockW - 1 : 0;
            const int innerRow = c.top ? c.rows - 1 : 0;
            for (int r = 0; r < c.rows; ++r) {
                const Rgb band = c.top ? set.top[std::size_t(r)] : set.bottom[std::size_t(r + 1)];
                clampTo(blocks[k][r][innerCol], band, limit);
            }
            for (int col = 0; col < BlockW; ++col) {
                const Rgb band = c.left ? set.left[std::size_t(col)] : set.right[std::size_t(col)];
                clampTo(blocks[k][innerRow][col], band, limit);
            }
        }
        // The plain set leaves a few cells of the bottom blocks to the background.
        if (si == 0) {
            for (auto [col, row] : {std::pair{9, 5}, {11, 4}, {13, 4}, {15, 4}})
                painted[2][row][col] = false;
            // Bottom-right columns count from w - 17.
            for (auto [col, row] : {std::pair{0, 4}, {2, 4}, {3, 4}, {4, 4}, {7, 4}, {5, 5}, {7, 5}, {4, 6}})
                painted[3][row][col] = false;
        }

        std::printf("const RoundArt %sArt{\n", set.name);
        std::printf("    %s,\n", cell(set.middle, true).c_str());
        std::printf("    %s,\n", list(set.left).c_str());
        std::printf("    %s,\n", list(set.right).c_str());
        std::printf("    %s,\n", list(set.top).c_str());
        std::printf("    %s,\n", list(set.bottom).c_str());
        const char* names[4] = {"top-left", "top-right", "bottom-left", "bottom-right"};
        for (int k = 0; k < 4; ++k)
            std::printf("    // %s\n    %s,\n", names[k], block(blocks[k], painted[k], "        ").c_str());
        std::printf("};\n\n");
    }
    std::printf("} // namespace\n\n"
                "const RoundArt& roundArt(RoundSet set)\n{\n"
                "    switch (set) {\n"
                "    case RoundSet::Hot: return hotArt;\n"
                "    case RoundSet::Pressed: return pressedArt;\n"
                "    default: return normalArt;\n"
                "    }\n}\n\n"
                "} // namespace melodune\n");
    return 0;
}
