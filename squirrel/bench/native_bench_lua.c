/* native_bench_lua: the Lua 5.4 twin of native_bench, the same functions in
 * C registered with lua_register. Usage: native_bench_lua file.lua
 *
 *   Pow(a, b)      a raised to b, computed as the core native does
 *   VectorStep(v)  a new full userdata with the Vector metatable: v with x + 1
 *   VectorGetX(v)  the x of a Vector
 *   origin         a Vector (0, 0, 0, 1) */
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
#include <math.h>
#include <stdio.h>

static int Pow(lua_State* L) {
    float base = (float)luaL_checknumber(L, 1);
    float exponent = (float)luaL_checknumber(L, 2);
    lua_pushnumber(L, (float)pow((double)base, (double)exponent));
    return 1;
}

static float* NewVector(lua_State* L, float x, float y, float z, float w) {
    float* block = (float*)lua_newuserdatauv(L, 4 * sizeof(float), 0);
    block[0] = x;
    block[1] = y;
    block[2] = z;
    block[3] = w;
    luaL_setmetatable(L, "Vector");
    return block;
}

static int VectorStep(lua_State* L) {
    const float* value = (const float*)luaL_checkudata(L, 1, "Vector");
    NewVector(L, value[0] + 1.0f, value[1], value[2], value[3]);
    return 1;
}

static int VectorGetX(lua_State* L) {
    const float* value = (const float*)luaL_checkudata(L, 1, "Vector");
    lua_pushnumber(L, value[0]);
    return 1;
}

int main(int argc, char* argv[]) {
    if (argc != 2) {
        fprintf(stderr, "usage: native_bench_lua file.lua\n");
        return 2;
    }
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luaL_newmetatable(L, "Vector");
    lua_pop(L, 1);
    lua_register(L, "Pow", Pow);
    lua_register(L, "VectorStep", VectorStep);
    lua_register(L, "VectorGetX", VectorGetX);
    NewVector(L, 0.0f, 0.0f, 0.0f, 1.0f);
    lua_setglobal(L, "origin");
    int status = luaL_dofile(L, argv[1]);
    if (status != LUA_OK) fprintf(stderr, "native_bench_lua: %s\n", lua_tostring(L, -1));
    lua_close(L);
    return status == LUA_OK ? 0 : 1;
}
