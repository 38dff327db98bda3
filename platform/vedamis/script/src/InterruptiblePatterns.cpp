// Lua's pattern functions (string.find, match, gmatch, gsub) with the same
// semantics as the standard library, but with a step counter: a pattern can
// backtrack for ages inside one C call, where the instruction-count hook
// never fires and nothing is allocated, so neither the time limit nor a
// break request would otherwise reach it.
//
// The functions raise Lua errors with longjmp: only plain C data lives in
// their frames.
#include "SandboxInternal.h"

#include <lua.hpp>

#include <cctype>
#include <cstddef>
#include <cstring>

namespace vedamis::detail {

namespace {

constexpr int kMaxCaptures = 32;
constexpr int kMaxMatchDepth = 200;
constexpr unsigned kStepsPerCheckpoint = 4096;
constexpr ptrdiff_t kCapUnfinished = -1;
constexpr ptrdiff_t kCapPosition = -2;
constexpr char kEsc = '%';
const char kSpecials[] = "^$*+?.([%-";

struct Capture {
    const char *init;
    ptrdiff_t len;
};

struct MatchState {
    const char *srcInit;
    const char *srcEnd;
    const char *patEnd;
    lua_State *L;
    int matchDepth;
    int level;
    unsigned steps;
    Capture capture[kMaxCaptures];
};

unsigned char uc(char c)
{
    return static_cast<unsigned char>(c);
}

const char *match(MatchState *ms, const char *s, const char *p);

void step(MatchState *ms)
{
    if (++ms->steps % kStepsPerCheckpoint == 0)
        checkpoint(ms->L);
}

int checkCapture(MatchState *ms, int l)
{
    l -= '1';
    if (l < 0 || l >= ms->level || ms->capture[l].len == kCapUnfinished)
        return luaL_error(ms->L, "invalid capture index %%%d", l + 1);
    return l;
}

int captureToClose(MatchState *ms)
{
    int level = ms->level;
    for (level--; level >= 0; level--)
        if (ms->capture[level].len == kCapUnfinished)
            return level;
    return luaL_error(ms->L, "invalid pattern capture");
}

const char *classEnd(MatchState *ms, const char *p)
{
    switch (*p++) {
    case kEsc:
        if (p == ms->patEnd)
            luaL_error(ms->L, "malformed pattern (ends with '%%')");
        return p + 1;
    case '[':
        if (*p == '^')
            p++;
        do {
            if (p == ms->patEnd)
                luaL_error(ms->L, "malformed pattern (missing ']')");
            if (*(p++) == kEsc && p < ms->patEnd)
                p++;
        } while (*p != ']');
        return p + 1;
    default:
        return p;
    }
}

bool matchClass(int c, int cl)
{
    bool res;
    switch (std::tolower(cl)) {
    case 'a':
        res = std::isalpha(c);
        break;
    case 'c':
        res = std::iscntrl(c);
        break;
    case 'd':
        res = std::isdigit(c);
        break;
    case 'g':
        res = std::isgraph(c);
        break;
    case 'l':
        res = std::islower(c);
        break;
    case 'p':
        res = std::ispunct(c);
        break;
    case 's':
        res = std::isspace(c);
        break;
    case 'u':
        res = std::isupper(c);
        break;
    case 'w':
        res = std::isalnum(c);
        break;
    case 'x':
        res = std::isxdigit(c);
        break;
    case 'z':
        res = (c == 0);
        break; // kept for old scripts
    default:
        return cl == c;
    }
    return std::isupper(cl) ? !res : res;
}

// p points at '[', ec at the closing ']'.
bool matchBracketClass(int c, const char *p, const char *ec)
{
    bool sig = true;
    if (*(p + 1) == '^') {
        sig = false;
        p++;
    }
    while (++p < ec) {
        if (*p == kEsc) {
            p++;
            if (matchClass(c, uc(*p)))
                return sig;
        } else if (*(p + 1) == '-' && p + 2 < ec) {
            p += 2;
            if (uc(*(p - 2)) <= c && c <= uc(*p))
                return sig;
        } else if (uc(*p) == c) {
            return sig;
        }
    }
    return !sig;
}

bool singleMatch(MatchState *ms, const char *s, const char *p, const char *ep)
{
    if (s >= ms->srcEnd)
        return false;
    const int c = uc(*s);
    switch (*p) {
    case '.':
        return true;
    case kEsc:
        return matchClass(c, uc(*(p + 1)));
    case '[':
        return matchBracketClass(c, p, ep - 1);
    default:
        return uc(*p) == c;
    }
}

const char *matchBalance(MatchState *ms, const char *s, const char *p)
{
    if (p >= ms->patEnd - 1)
        luaL_error(ms->L, "malformed pattern (missing arguments to '%%b')");
    if (s >= ms->srcEnd || *s != *p)
        return nullptr;
    const char b = *p;
    const char e = *(p + 1);
    int cont = 1;
    while (++s < ms->srcEnd) {
        if (*s == e) {
            if (--cont == 0)
                return s + 1;
        } else if (*s == b) {
            cont++;
        }
    }
    return nullptr;
}

const char *maxExpand(MatchState *ms, const char *s, const char *p, const char *ep)
{
    ptrdiff_t i = 0;
    while (singleMatch(ms, s + i, p, ep))
        i++;
    while (i >= 0) {
        if (const char *res = match(ms, s + i, ep + 1))
            return res;
        i--;
    }
    return nullptr;
}

const char *minExpand(MatchState *ms, const char *s, const char *p, const char *ep)
{
    for (;;) {
        if (const char *res = match(ms, s, ep + 1))
            return res;
        if (singleMatch(ms, s, p, ep))
            s++;
        else
            return nullptr;
    }
}

const char *startCapture(MatchState *ms, const char *s, const char *p, ptrdiff_t what)
{
    const int level = ms->level;
    if (level >= kMaxCaptures)
        luaL_error(ms->L, "too many captures");
    ms->capture[level].init = s;
    ms->capture[level].len = what;
    ms->level = level + 1;
    const char *res = match(ms, s, p);
    if (!res)
        ms->level--;
    return res;
}

const char *endCapture(MatchState *ms, const char *s, const char *p)
{
    const int l = captureToClose(ms);
    ms->capture[l].len = s - ms->capture[l].init;
    const char *res = match(ms, s, p);
    if (!res)
        ms->capture[l].len = kCapUnfinished;
    return res;
}

const char *matchCapture(MatchState *ms, const char *s, int l)
{
    l = checkCapture(ms, l);
    const size_t len = static_cast<size_t>(ms->capture[l].len);
    if (static_cast<size_t>(ms->srcEnd - s) >= len && std::memcmp(ms->capture[l].init, s, len) == 0)
        return s + len;
    return nullptr;
}

const char *match(MatchState *ms, const char *s, const char *p)
{
    if (ms->matchDepth-- == 0)
        luaL_error(ms->L, "pattern too complex");
    step(ms);
    for (;;) {
        if (p == ms->patEnd)
            break;
        bool useDefault = false;
        switch (*p) {
        case '(':
            if (*(p + 1) == ')')
                s = startCapture(ms, s, p + 2, kCapPosition);
            else
                s = startCapture(ms, s, p + 1, kCapUnfinished);
            break;
        case ')':
            s = endCapture(ms, s, p + 1);
            break;
        case '$':
            if (p + 1 != ms->patEnd) {
                useDefault = true;
                break;
            }
            s = (s == ms->srcEnd) ? s : nullptr;
            break;
        case kEsc:
            switch (*(p + 1)) {
            case 'b':
                s = matchBalance(ms, s, p + 2);
                if (s) {
                    p += 4;
                    continue;
                }
                break;
            case 'f': {
                p += 2;
                if (*p != '[')
                    luaL_error(ms->L, "missing '[' after '%%f' in pattern");
                const char *ep = classEnd(ms, p);
                const char previous = (s == ms->srcInit) ? '\0' : *(s - 1);
                const char current = (s < ms->srcEnd) ? *s : '\0';
                if (!matchBracketClass(uc(previous), p, ep - 1) && matchBracketClass(uc(current), p, ep - 1)) {
                    p = ep;
                    continue;
                }
                s = nullptr;
                break;
            }
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7':
            case '8':
            case '9':
                s = matchCapture(ms, s, uc(*(p + 1)));
                if (s) {
                    p += 2;
                    continue;
                }
                break;
            default:
                useDefault = true;
                break;
            }
            break;
        default:
            useDefault = true;
            break;
        }
        if (!useDefault)
            break;
        const char *ep = classEnd(ms, p);
        if (!singleMatch(ms, s, p, ep)) {
            if (*ep == '*' || *ep == '?' || *ep == '-') {
                p = ep + 1;
                continue;
            }
            s = nullptr;
            break;
        }
        if (*ep == '?') {
            if (const char *res = match(ms, s + 1, ep + 1)) {
                s = res;
                break;
            }
            p = ep + 1;
            continue;
        }
        if (*ep == '+') {
            s = maxExpand(ms, s + 1, p, ep);
            break;
        }
        if (*ep == '*') {
            s = maxExpand(ms, s, p, ep);
            break;
        }
        if (*ep == '-') {
            s = minExpand(ms, s, p, ep);
            break;
        }
        s++;
        p = ep;
    }
    ms->matchDepth++;
    return s;
}

// Length of capture i (or of the whole match), or kCapPosition after
// pushing the position.
ptrdiff_t getOneCapture(MatchState *ms, int i, const char *s, const char *e, const char **cap)
{
    if (i >= ms->level) {
        if (i != 0)
            luaL_error(ms->L, "invalid capture index %%%d", i + 1);
        *cap = s;
        return e - s;
    }
    const ptrdiff_t capl = ms->capture[i].len;
    *cap = ms->capture[i].init;
    if (capl == kCapUnfinished)
        luaL_error(ms->L, "unfinished capture");
    else if (capl == kCapPosition)
        lua_pushinteger(ms->L, (ms->capture[i].init - ms->srcInit) + 1);
    return capl;
}

void pushOneCapture(MatchState *ms, int i, const char *s, const char *e)
{
    const char *cap;
    const ptrdiff_t l = getOneCapture(ms, i, s, e, &cap);
    if (l != kCapPosition)
        lua_pushlstring(ms->L, cap, static_cast<size_t>(l));
}

int pushCaptures(MatchState *ms, const char *s, const char *e)
{
    const int levels = (ms->level == 0 && s) ? 1 : ms->level;
    luaL_checkstack(ms->L, levels, "too many captures");
    for (int i = 0; i < levels; i++)
        pushOneCapture(ms, i, s, e);
    return levels;
}

bool noSpecials(const char *p, size_t l)
{
    size_t upto = 0;
    do {
        if (std::strpbrk(p + upto, kSpecials))
            return false;
        upto += std::strlen(p + upto) + 1; // the pattern may contain zeros
    } while (upto <= l);
    return true;
}

const char *memFind(const char *s1, size_t l1, const char *s2, size_t l2)
{
    if (l2 == 0)
        return s1;
    if (l2 > l1)
        return nullptr;
    l2--;
    l1 = l1 - l2;
    const char *init;
    while (l1 > 0 && (init = static_cast<const char *>(std::memchr(s1, *s2, l1))) != nullptr) {
        init++;
        if (std::memcmp(init, s2 + 1, l2) == 0)
            return init - 1;
        l1 -= static_cast<size_t>(init - s1);
        s1 = init;
    }
    return nullptr;
}

size_t startPosition(lua_Integer pos, size_t len)
{
    if (pos > 0)
        return static_cast<size_t>(pos);
    if (pos == 0)
        return 1;
    if (pos < -static_cast<lua_Integer>(len))
        return 1;
    return len + static_cast<size_t>(pos) + 1;
}

void prepareState(MatchState *ms, lua_State *L, const char *s, size_t ls, const char *p, size_t lp)
{
    ms->L = L;
    ms->matchDepth = kMaxMatchDepth;
    ms->srcInit = s;
    ms->srcEnd = s + ls;
    ms->patEnd = p + lp;
    ms->steps = 0;
    ms->level = 0;
}

void resetState(MatchState *ms)
{
    ms->level = 0;
    ms->matchDepth = kMaxMatchDepth;
}

int findAux(lua_State *L, bool find)
{
    size_t ls, lp;
    const char *s = luaL_checklstring(L, 1, &ls);
    const char *p = luaL_checklstring(L, 2, &lp);
    const size_t init = startPosition(luaL_optinteger(L, 3, 1), ls) - 1;
    if (init > ls) {
        luaL_pushfail(L);
        return 1;
    }
    if (find && (lua_toboolean(L, 4) || noSpecials(p, lp))) {
        if (const char *s2 = memFind(s + init, ls - init, p, lp)) {
            lua_pushinteger(L, (s2 - s) + 1);
            lua_pushinteger(L, static_cast<lua_Integer>((s2 - s) + static_cast<ptrdiff_t>(lp)));
            return 2;
        }
    } else {
        MatchState ms;
        const char *s1 = s + init;
        const bool anchor = (*p == '^');
        if (anchor) {
            p++;
            lp--;
        }
        prepareState(&ms, L, s, ls, p, lp);
        do {
            resetState(&ms);
            if (const char *res = match(&ms, s1, p)) {
                if (find) {
                    lua_pushinteger(L, (s1 - s) + 1);
                    lua_pushinteger(L, res - s);
                    return pushCaptures(&ms, nullptr, nullptr) + 2;
                }
                return pushCaptures(&ms, s1, res);
            }
        } while (s1++ < ms.srcEnd && !anchor);
    }
    luaL_pushfail(L);
    return 1;
}

int strFind(lua_State *L)
{
    return findAux(L, true);
}

int strMatch(lua_State *L)
{
    return findAux(L, false);
}

struct GMatchState {
    const char *src;
    const char *p;
    const char *lastMatch;
    MatchState ms;
};

int gmatchStep(lua_State *L)
{
    auto *gm = static_cast<GMatchState *>(lua_touserdata(L, lua_upvalueindex(3)));
    gm->ms.L = L;
    for (const char *src = gm->src; src <= gm->ms.srcEnd; src++) {
        resetState(&gm->ms);
        const char *e = match(&gm->ms, src, gm->p);
        if (e && e != gm->lastMatch) {
            gm->src = gm->lastMatch = e;
            return pushCaptures(&gm->ms, src, e);
        }
    }
    return 0;
}

int strGmatch(lua_State *L)
{
    size_t ls, lp;
    const char *s = luaL_checklstring(L, 1, &ls);
    const char *p = luaL_checklstring(L, 2, &lp);
    size_t init = startPosition(luaL_optinteger(L, 3, 1), ls) - 1;
    lua_settop(L, 2); // the closure keeps both strings alive
    auto *gm = static_cast<GMatchState *>(lua_newuserdatauv(L, sizeof(GMatchState), 0));
    if (init > ls)
        init = ls + 1;
    prepareState(&gm->ms, L, s, ls, p, lp);
    gm->src = s + init;
    gm->p = p;
    gm->lastMatch = nullptr;
    lua_pushcclosure(L, gmatchStep, 3);
    return 1;
}

void addString(MatchState *ms, luaL_Buffer *b, const char *s, const char *e)
{
    size_t l;
    lua_State *L = ms->L;
    const char *news = lua_tolstring(L, 3, &l);
    const char *p;
    while ((p = static_cast<const char *>(std::memchr(news, kEsc, l))) != nullptr) {
        luaL_addlstring(b, news, static_cast<size_t>(p - news));
        p++;
        if (*p == kEsc) {
            luaL_addchar(b, *p);
        } else if (*p == '0') {
            luaL_addlstring(b, s, static_cast<size_t>(e - s));
        } else if (std::isdigit(uc(*p))) {
            const char *cap;
            const ptrdiff_t resl = getOneCapture(ms, *p - '1', s, e, &cap);
            if (resl == kCapPosition)
                luaL_addvalue(b);
            else
                luaL_addlstring(b, cap, static_cast<size_t>(resl));
        } else {
            luaL_error(L, "invalid use of '%c' in replacement string", kEsc);
        }
        l -= static_cast<size_t>(p + 1 - news);
        news = p + 1;
    }
    luaL_addlstring(b, news, l);
}

bool addValue(MatchState *ms, luaL_Buffer *b, const char *s, const char *e, int tr)
{
    lua_State *L = ms->L;
    switch (tr) {
    case LUA_TFUNCTION: {
        lua_pushvalue(L, 3);
        const int n = pushCaptures(ms, s, e);
        lua_call(L, n, 1);
        break;
    }
    case LUA_TTABLE:
        pushOneCapture(ms, 0, s, e);
        lua_gettable(L, 3);
        break;
    default:
        addString(ms, b, s, e);
        return true;
    }
    if (!lua_toboolean(L, -1)) {
        lua_pop(L, 1);
        luaL_addlstring(b, s, static_cast<size_t>(e - s));
        return false;
    }
    if (!lua_isstring(L, -1))
        luaL_error(L, "invalid replacement value (a %s)", luaL_typename(L, -1));
    luaL_addvalue(b);
    return true;
}

int strGsub(lua_State *L)
{
    size_t srcl, lp;
    const char *src = luaL_checklstring(L, 1, &srcl);
    const char *p = luaL_checklstring(L, 2, &lp);
    const char *lastMatch = nullptr;
    const int tr = lua_type(L, 3);
    const lua_Integer maxReplacements = luaL_optinteger(L, 4, static_cast<lua_Integer>(srcl) + 1);
    const bool anchor = (*p == '^');
    lua_Integer n = 0;
    bool changed = false;
    luaL_argexpected(L, tr == LUA_TNUMBER || tr == LUA_TSTRING || tr == LUA_TFUNCTION || tr == LUA_TTABLE, 3,
                     "string/function/table");
    MatchState ms;
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    if (anchor) {
        p++;
        lp--;
    }
    prepareState(&ms, L, src, srcl, p, lp);
    while (n < maxReplacements) {
        resetState(&ms);
        const char *e = match(&ms, src, p);
        if (e && e != lastMatch) {
            n++;
            changed = addValue(&ms, &b, src, e, tr) || changed;
            src = lastMatch = e;
        } else if (src < ms.srcEnd) {
            luaL_addchar(&b, *src++);
        } else {
            break;
        }
        if (anchor)
            break;
    }
    if (!changed) {
        lua_pushvalue(L, 1);
    } else {
        luaL_addlstring(&b, src, static_cast<size_t>(ms.srcEnd - src));
        luaL_pushresult(&b);
    }
    lua_pushinteger(L, n);
    return 2;
}

} // namespace

void installInterruptiblePatterns(lua_State *L)
{
    static const luaL_Reg functions[] = {
        {"find", strFind}, {"match", strMatch}, {"gmatch", strGmatch}, {"gsub", strGsub}, {nullptr, nullptr}};
    luaL_setfuncs(L, functions, 0);
}

} // namespace vedamis::detail
