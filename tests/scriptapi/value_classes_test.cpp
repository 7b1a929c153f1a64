// Vector, UV, Matrix3 and Matrix4 as scripts see them: constructors, keys,
// operators and methods with their error words, and the values natives
// push and read.
#include <gtest/gtest.h>

#include <string>

#include "core/matrix.h"
#include "script/collision_table.h"
#include "script/script_api.h"
#include "script/value_classes.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/support/squirrel_error.h"

namespace {

class ValueClasses : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        // S(v) shows a Vector's four components, T(uv) a UV's two.
        ASSERT_TRUE(
            Run("function S(v) { return v.x + \",\" + v.y + \",\" + v.z + \",\" + v.w; }\n"
                "function T(uv) { return uv.u + \",\" + uv.v; }\n"
                "function Raises(f, text) { try { f(); } catch (e) { return e == text; } return false; }\n",
                "helpers.nut"));
    }

    // Metamethods are no members scripts can call: the method's native goes
    // to the root table under rootName, to be called as rootName.call(this, ...).
    void ExposeMethod(const ScriptClassDescriptor& descriptor, const char* method, const char* rootName) {
        const ScriptMethodEntry* entry = descriptor.methods;
        while (entry->name && std::string(entry->name) != method)
            ++entry;
        ASSERT_TRUE(entry->name) << method;
        sq_pushroottable(V());
        sq_pushstring(V(), rootName, -1);
        sq_newclosure(V(), entry->function, 0);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_setparamscheck(V(), entry->paramCount, entry->typeMask)));
        sq_newslot(V(), -3, SQFalse);
        sq_pop(V(), 1);
    }
};

TEST_F(ValueClasses, VectorConstructorForms) {
    const ScriptRow rows[] = {
        {"print(S(Vector()))", "0,0,0,1"},
        {"print(S(Vector(5)))", "5,0,0,1"},
        {"print(S(Vector(1, 2)))", "1,2,0,1"},
        {"print(S(Vector(1, 2.5, 3)))", "1,2.5,3,1"},
        {"print(S(Vector(1, 2, 3, 4)))", "1,2,3,4"},
        {"print(S(Vector(Vector(1, 2, 3, 4))))", "1,2,3,4"},
        {"Vector(1, 2, 3, 4, 5)", "error: Vector wrong parameters"},
        {"Vector(Vector(), 2)", "error: Vector wrong parameters"},
        {"Vector(UV(1, 2))", "error: Invalid instance type"},
        {"Vector(Vector.instance())", "error: Vector() invalid instance type"},
        {"Vector(\"1\")",
         "error: parameter 1 has an invalid type 'string' ; expected: 'integer|float|instance'"},
        {"print(typeof Vector() + \" \" + typeof UV() + \" \" + typeof Matrix3() + \" \" + typeof Matrix4())",
         "Vector UV Matrix3 Matrix4"},
        {"print(Vector() instanceof Vector)", "true"},
        {"class P extends Vector { function Sum() { return x + y + z; } } print(P(1, 2, 3).Sum() + \" \" + "
         "typeof P())",
         "6 Vector"},
    };
    ExpectScripts(rows);
}

// Strings by their first character (_get: one character only), numbers by
// value, character codes included; anything else is a clean miss.
TEST_F(ValueClasses, VectorComponentKeys) {
    const ScriptRow rows[] = {
        {"local v = Vector(1, 2, 3, 4); print(v.r + \" \" + v.g + \" \" + v.b + \" \" + v.a)", "1 2 3 4"},
        {"local v = Vector(1, 2, 3, 4); print(v[0] + \" \" + v[1] + \" \" + v[2] + \" \" + v[3])", "1 2 3 4"},
        {"local v = Vector(1, 2, 3, 4); print(v[120] + \" \" + v[119] + \" \" + v[1.7])", "1 4 2"},
        {"print(typeof Vector(1, 2).y)", "float"},
        {"local v = Vector(1, 2, 3); print(v[\"xy\"])", "error: the index 'xy' does not exist"},
        {"local v = Vector(1, 2, 3); print(v.q)", "error: the index 'q' does not exist"},
        {"local v = Vector(1, 2, 3); print(v[4])", "error: the index '4' does not exist"},
        {"local v = Vector(1, 2, 3); print(v[\"\"])", "error: the index '' does not exist"},
        {"local v = Vector(1, 2, 3); v[\"xa\"] = 5; print(S(v))", "5,2,3,1"},
        {"local v = Vector(); v.x = 1; v.g = 2; v[2] = 3; v.w = 4.5; print(S(v))", "1,2,3,4.5"},
        {"local v = Vector(1, 2, 3); v.y = \"text\"; print(S(v))", "1,0,3,1"},
        {"local v = Vector(1, 2, 3); v.q = 1", "error: the index 'q' does not exist"},
        {"local v = Vector(1, 2, 3); v[\"\"] = 1", "error: the index '' does not exist"},
        {"local v = Vector(1, 2, 3); v.Len = 1", "error: the index 'Len' does not exist"},
        {"print(\"x\" in Vector())", "false"},
        {"print(Vector.instance().x)", "error: Internal failure"},
    };
    ExpectScripts(rows);
}

// The operators dispatch on the left operand; _add, _sub and _div refuse
// integer scalars with their own texts, _mul takes numbers and matrices.
TEST_F(ValueClasses, VectorOperators) {
    const ScriptRow rows[] = {
        {"print(Raises(@() Vector(1, 2, 3) + 1, \"Vector + operator: Invalid argument type.\\n\"))", "true"},
        {"print(Raises(@() Vector(1, 2, 3) - 1, \"Vector - operator: Invalid argument type.\\n\"))", "true"},
        {"print(Raises(@() Vector(1, 2, 3) / 2, \"Vector / operator: Invalid argument type.\\n\"))", "true"},
        {"print(Raises(@() Vector(1, 2, 3) * UV(), \"Vector * operator: Invalid argument type.\\n\"))",
         "true"},
        {"print(S(Vector(1, 2, 3, 7) + 1.0))", "2,3,4,1"},
        {"print(S(Vector(1, 2, 3) - 0.5))", "0.5,1.5,2.5,1"},
        {"print(S(Vector(1, 2, 3) * 2))", "2,4,6,1"},
        {"print(S(Vector(1, 2, 3) * 0.5))", "0.5,1,1.5,1"},
        {"print(S(Vector(1, 2, 3) / 2.0))", "0.5,1,1.5,1"},
        {"print(S(Vector(1, 2, 3) + Vector(10, 20, 30)))", "11,22,33,1"},
        {"print(S(Vector(1, 2, 3) - Vector(1, 1, 1)))", "0,1,2,1"},
        {"print(S(Vector(1, 2, 3) * Vector(2, 3, 4)))", "2,6,12,1"},
        {"print(S(Vector(2, 6, 12) / Vector(2, 3, 4)))", "1,2,3,1"},
        {"print(S(Vector(1, 2, 3) * Matrix3(0, 1, 0, -1, 0, 0, 0, 0, 1)))", "-2,1,3,1"},
        {"print(S(Vector(1, 2, 3) * Matrix4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1)))",
         "11,22,33,1"},
        {"Vector(1, 2, 3) + UV()", "error: Invalid instance type"},
        {"Vector(1, 2, 3) * Matrix3.instance()", "error: Internal failure"},
        {"2 * Vector(1, 2, 3)", "error: arith op * on between 'integer' and 'instance'"},
    };
    ExpectScripts(rows);
}

// _cmp answers a bool (w ignored); == is identity and relational operators
// need the integer _cmp does not give.
TEST_F(ValueClasses, VectorComparison) {
    ExposeMethod(g_VectorClass, "_cmp", "cmp");
    const ScriptRow rows[] = {
        {"print(cmp.call(Vector(1, 2, 3), Vector(1, 2, 3.0000001)))", "true"},
        {"print(cmp.call(Vector(1, 2, 3, 4), Vector(1, 2, 3, 0)))", "true"},
        {"print(cmp.call(Vector(1, 2, 3), Vector(1, 2, 3.001)))", "false"},
        {"print(cmp.call(Vector(1, 2, 3), UV()))", "error: Invalid instance type"},
        {"print(Vector()._cmp(Vector()))", "error: the index '_cmp' does not exist"},
        {"print(Vector(1, 2, 3) == Vector(1, 2, 3))", "false"},
        {"local v = Vector(); print(v == v)", "true"},
        {"print(Vector() < Vector())", "error: _cmp must return an integer"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, VectorSetAndScalarMethods) {
    const ScriptRow rows[] = {
        {"local v = Vector(9, 9, 9, 9); print(v.Set() == null); print(S(v))", "true\n0,0,0,1"},
        {"local v = Vector(9, 9, 9, 9); v.Set(1); print(S(v))", "1,0,0,1"},
        {"local v = Vector(9, 9, 9, 9); v.Set(1, 2, 3); print(S(v))", "1,2,3,1"},
        {"local v = Vector(); v.Set(1, 2, 3, 4); print(S(v))", "1,2,3,4"},
        {"Vector().Set(1, 2, 3, 4, 5)", "error: Vector Set() wrong parameters"},
        {"local v = Vector(1, 2, 3); print(S(v.AddReal(1)) + \" \" + S(v))", "2,3,4,1 1,2,3,1"},
        {"print(S(Vector(1, 2, 3).SubReal(0.5)))", "0.5,1.5,2.5,1"},
        {"print(S(Vector(1, 2, 3, 5).MulReal(2)))", "2,4,6,1"},
        {"print(S(Vector(1, 2, 3).DivReal(2)))", "0.5,1,1.5,1"},
        {"print(S(Vector(1, 2, 3).Scale(-1.5)))", "-1.5,-3,-4.5,1"},
        {"print(S(Vector(-1, 2, 3, 5).Reverse()))", "1,-2,-3,1"},
        {"print(S(Vector(-5, 0.5, 5).Clamp(0.0, 1)))", "0,0.5,1,1"},
        {"print(S(Vector(-5, 0.5, 5).Clamp(Vector(-1, 1, -1), Vector(1, 2, 3))))", "-1,1,3,1"},
        {"Vector().Clamp(UV(), 1)", "error: Invalid instance type"},
        {"print(S(Vector(3, 4, 0).ClampMagnitude(1)))", "0.6,0.8,0,1"},
        {"print(S(Vector(0.3, 0.4, 0, 7).ClampMagnitude(1)))", "0.3,0.4,0,1"},
        {"print(S(Vector(3, 4, 0).Normalize()))", "0.6,0.8,0,1"},
        {"print(S(Vector(3, 4, 0).Normalize(10)))", "6,8,0,1"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, VectorMinAndMax) {
    const ScriptRow rows[] = {
        {"print(S(Vector(1, 5, 3).Min(Vector(2, 2, 2))))", "1,2,2,1"},
        {"print(S(Vector(1, 5, 3).Max(Vector(2, 2, 2))))", "2,5,3,1"},
        {"print(S(Vector(1, 5, -3).Min(0.5)))", "0.5,0,-3,1"},
        {"print(S(Vector(1, 5, -3).Max(0.5)))", "1,5,0,1"},
        {"print(S(Vector(1, 5, 3).Min(0.0, 9.0, 1.0)))", "0,5,1,1"},
        {"print(Raises(@() Vector().Min(1.0, 2.0), \"Vector Min(): Invalid parameter list.\\n\"))", "true"},
        {"print(Raises(@() Vector().Max(1.0, 2.0), \"Vector Max(): Invalid parameter list.\\n\"))", "true"},
        {"print(Raises(@() Vector().Min(1), \"Vector Min(): Invalid parameter list.\\n\"))", "true"},
        {"print(Raises(@() Vector().Max(1.0, 2, 3.0), \"Vector Max(): Invalid parameter list.\\n\"))",
         "true"},
        {"print(Raises(@() Vector().Min(1.0, 2.0, 3.0, 4.0), \"Vector Min(): Invalid parameter list.\\n\"))",
         "true"},
        {"Vector().Min(UV())", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, VectorGeometry) {
    const ScriptRow rows[] = {
        {"print(Vector(1, 2, 3, 9).Dot(Vector(4, 5, 6, 9)))", "32"},
        {"print(S(Vector(1, 0, 0).Cross(Vector(0, 1, 0))))", "0,0,1,1"},
        {"print(Vector(3, 4, 0, 9).Len() + \" \" + Vector(3, 4, 0).Len2())", "5 25"},
        {"print(Vector(1, 0, 0).AngleWithVector(Vector(0, 1, 0)))", "1.5708"},
        {"print(Vector(2, 0, 0).AngleWithVector(Vector(3, 0, 0)))", "0"},
        {"print(Vector(-2, 0, 0).AngleWithVector(Vector(3, 0, 0)))", "3.14159"},
        {"print(Vector(1, 1, 1).Dist(Vector(4, 5, 1)) + \" \" + Vector(1, 1, 1).Dist2(Vector(4, 5, 1)))",
         "5 25"},
        {"print(S(Vector(1, 2, 3).Lerp(0.0, Vector(4, 5, 6))))", "4,5,6,1"},
        {"print(S(Vector(1, 2, 3).Lerp(1, Vector(4, 5, 6))))", "1,2,3,1"},
        {"print(S(Vector(1, 2, 3).Lerp(0.5, Vector(4, 5, 6))))", "2.5,3.5,4.5,1"},
        {"Vector().Lerp(0.5, Matrix3())", "error: Invalid instance type"},
        {"print(Vector(1, 2, 3).IsEqual(Vector(1, 2, 3.00005)))", "true"},
        {"print(Vector(1, 2, 3).IsEqual(Vector(1, 2, 3.001)))", "false"},
        {"print(Vector(1, 2, 3).IsEqual(Vector(1, 2, 3.001), 0.01))", "true"},
        {"Vector().IsEqual(Vector(), 0.1, 2)", "error: Vector::IsEqual() wrong parameter count"},
        {"Vector().Dot(7)", "error: parameter 1 has an invalid type 'integer' ; expected: 'instance'"},
        {"Vector.Len.call(UV())", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, VectorMatrixApplication) {
    const ScriptRow rows[] = {
        {"local m = Matrix4(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1);"
         "print(S(Vector(1, 2, 3).ApplyMatrix(m)) + \" \" + S(Vector(1, 2, 3).ApplyRotationMatrix(m)))",
         "8,21,33,1 -2,1,3,1"},
        {"local m = Matrix3(0, 1, 0, -1, 0, 0, 0, 0, 1);"
         "print(S(Vector(1, 2, 3).ApplyMatrix(m)) + \" \" + S(Vector(1, 2, 3).ApplyRotationMatrix(m)))",
         "-2,1,3,1 -2,1,3,1"},
        {"Vector().ApplyMatrix(Vector())", "error: Vector::ApplyMatrix(): Invalid parameter"},
        {"Vector().ApplyRotationMatrix(UV())", "error: Vector::ApplyRotationMatrix(): Invalid parameter"},
    };
    ExpectScripts(rows);
}

// Randomize leaves this alone and may be called on the class.
TEST_F(ValueClasses, VectorRandomizeStaysInItsRange) {
    const ScriptRow rows[] = {
        {"local inside = true, seen = {};\n"
         "for (local i = 0; i < 200; ++i) { local r = Vector.Randomize(1.0);\n"
         "  foreach (c in [r.x, r.y, r.z]) { inside = inside && c >= 0.0 && c <= 1.0; seen[c] <- true; }\n"
         "  inside = inside && r.w == 1.0; }\n"
         "print(inside + \" \" + (seen.len() > 100))",
         "true true"},
        {"local v = Vector(7, 7, 7, 7), inside = true;\n"
         "for (local i = 0; i < 200; ++i) { local r = v.Randomize(-3, -2);\n"
         "  inside = inside && r.x >= -3 && r.x <= -2 && r.y >= -3 && r.y <= -2 && r.z >= -3 && r.z <= -2; "
         "}\n"
         "print(inside + \" \" + S(v))",
         "true 7,7,7,7"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, VectorPrintLogsItsName) {
    const ScriptRow rows[] = {
        {"Vector(1, 2.5, 3).Print()", "Vector 'Vector' = {1.000,2.500,3.000}"},
        {"print(Vector(1, 2, 3).Print(\"p\") == null)", "Vector 'p' = {1.000,2.000,3.000}\ntrue"},
    };
    ExpectScripts(rows);
}

// A clone has a block of its own: changes do not cross, and freeing both
// frees each block once (the sanitizers watch).
TEST_F(ValueClasses, ClonesAreIndependent) {
    ExposeMethod(g_VectorClass, "_cloned", "cloned");
    const ScriptRow rows[] = {
        {"local a = Vector(1, 2, 3); local b = clone a; b.x = 9; print(a.x + \" \" + S(b))", "1 9,2,3,1"},
        {"local a = UV(1, 2); local b = clone a; b.u = 9; print(T(a) + \" \" + T(b))", "1,2 9,2"},
        {"local b = null; { local a = Vector(1, 2, 3, 4); b = clone a; } collectgarbage(); print(S(b))",
         "1,2,3,4"},
        {"local a = Vector(1, 2, 3); local b = Vector(); cloned.call(b, a); a.x = 5; print(S(b))", "1,2,3,1"},
        {"clone Vector.instance()", "error: Internal failure"},
        {"cloned.call(Vector(), UV())", "error: Invalid instance type"},
        {"cloned.call(UV(), Vector())", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, UVClass) {
    const ScriptRow rows[] = {
        {"print(T(UV()) + \" \" + T(UV(0.5)) + \" \" + T(UV(0.25, 0.75)) + \" \" + T(UV(UV(1, 2))))",
         "0,0 0.5,0 0.25,0.75 1,2"},
        {"UV(1, 2, 3)", "error: Wrong parameter count"},
        {"UV(Vector())", "error: Invalid instance type"},
        {"local uv = UV(1, 2); print(uv[0] + \" \" + uv[1] + \" \" + uv[117] + \" \" + uv[\"v\"])",
         "1 2 1 2"},
        {"print(UV().x)", "error: the index 'x' does not exist"},
        {"print(UV()[\"uv\"])", "error: the index 'uv' does not exist"},
        {"local uv = UV(1, 2); uv[\"vx\"] = 3; uv[0] = 4; print(T(uv))", "4,3"},
        {"local uv = UV(1, 2); uv[2] = 3", "error: the index '2' does not exist"},
        {"local uv = UV(1, 2); uv.Set(); print(T(uv)); uv.Set(3); print(T(uv)); uv.Set(5, 6); print(T(uv))",
         "0,0\n3,0\n5,6"},
        {"UV().Set(1, 2, 3)", "error: Wrong parameter count"},
        {"UV.Set.call(Vector(), 1)", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

// Elements by "mIJ", I the column and J the row: a Matrix4 made row by row
// from 1..16 has m10 = 2 (row 0, column 1).
TEST_F(ValueClasses, Matrix4ConstructionAndKeys) {
    const ScriptRow rows[] = {
        {"local m = Matrix4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);"
         "print(m.m10 + \" \" + m.m01 + \" \" + m.m03 + \" \" + m.m30 + \" \" + m.m33)",
         "2 5 13 4 16"},
        {"local m = Matrix4(Vector(1, 2, 3, 4), Vector(5, 6, 7, 8), Vector(9, 10, 11, 12), Vector(13, 14, "
         "15, 16));"
         "print(m.m10 + \" \" + m.m01 + \" \" + m.m30)",
         "2 5 4"},
        {"local m = Matrix4(); print(m.m00 + \" \" + m.m10 + \" \" + m.m11 + \" \" + m.m33)", "1 0 1 1"},
        {"local m = Matrix4(); m.m31 = 7.5; print(m.m31 + \" \" + S(m.GetRow(1)))", "7.5 0,1,0,7.5"},
        {"print(Matrix4().m44)", "error: the index 'm44' does not exist"},
        {"print(Matrix4().m0)", "error: the index 'm0' does not exist"},
        {"print(Matrix4()[\"m00x\"])", "error: the index 'm00x' does not exist"},
        {"Matrix4().m4 = 1.0", "error: the index 'm4' does not exist"},
        {"print(Matrix4()[0])", "error: parameter 1 has an invalid type 'integer' ; expected: 'string'"},
        {"Matrix4(1, 2, 3)", "error: Matrix4() wrong parameter count"},
        {"Matrix4(Vector(), Vector(), Vector(), UV())", "error: Invalid instance type"},
        {"Matrix4(1, 2, 3, 4)", "error: Invalid instance type"},
        {"Matrix4(Vector(), Vector(), Vector(), Vector.instance())", "error: Matrix4() invalid parameters"},
        {"Matrix4(Vector(), 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)",
         "error: Matrix4() invalid parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, Matrix4Methods) {
    ASSERT_TRUE(Run("m <- Matrix4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);\n"
                    "scale <- Matrix4(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1);\n"
                    "move <- Matrix4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1);\n",
                    "matrices.nut"));
    const ScriptRow rows[] = {
        {"print(S(m.GetRow(0)) + \" \" + S(m.GetRow(3)) + \" \" + S(m.GetColumn(1)))",
         "1,2,3,4 13,14,15,16 2,6,10,14"},
        {"m.GetRow(4)", "error: Matrix4::GetRow(): Invalid index"},
        {"m.GetColumn(-1)", "error: Matrix4::GetColumn(): Invalid index"},
        {"m.SetRow(4, Vector())", "error: Matrix4::SetRow(): Invalid index"},
        {"m.SetColumn(-1, Vector())", "error: Matrix4::SetColumn(): Invalid index"},
        {"local c = Matrix4(); c.SetRow(1, Vector(9, 8, 7, 6)); print(S(c.GetRow(1)) + \" \" + c.m01)",
         "9,8,7,6 9"},
        {"local c = Matrix4(); c.SetColumn(2, Vector(9, 8, 7, 6)); print(S(c.GetColumn(2)) + \" \" + c.m23)",
         "9,8,7,6 6"},
        {"local c = Matrix4(); print(c.SetRow(0, Vector()) == null)", "true"},
        {"Matrix4().SetRow(0, UV())", "error: Invalid instance type"},
        {"print(S((scale * move).GetPosition()) + \" \" + S((move * scale).GetPosition()))",
         "20,0,0,1 10,0,0,1"},
        {"print(S((m * Matrix4()).GetRow(2)))", "9,10,11,12"},
        {"m * Matrix3()", "error: Invalid instance type"},
        {"m * 2", "error: parameter 1 has an invalid type 'integer' ; expected: 'instance'"},
        {"local r = m.AsMatrix3(); print(typeof r + \" \" + S(r.GetRow(1)) + \" \" + r.m01)",
         "Matrix3 5,6,7,1 5"},
        {"local c = Matrix4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);"
         "c.RotationFromMatrix3(Matrix3(-1, -2, -3, -4, -5, -6, -7, -8, -9));"
         "print(S(c.GetRow(0)) + \" \" + S(c.GetRow(2)) + \" \" + S(c.GetRow(3)))",
         "-1,-2,-3,4 -7,-8,-9,12 13,14,15,16"},
        {"m.RotationFromMatrix3(m)", "error: Invalid instance type"},
        {"print(S(m.GetFront()) + \" \" + S(m.GetBack()))", "9,10,11,1 -9,-10,-11,1"},
        {"print(S(m.GetRight()) + \" \" + S(m.GetLeft()))", "1,2,3,1 -1,-2,-3,1"},
        {"print(S(m.GetUp()) + \" \" + S(m.GetDown()))", "5,6,7,1 -5,-6,-7,1"},
        {"print(S(m.GetPosition()))", "13,14,15,1"},
        {"Matrix4.GetPosition.call(Matrix3())", "error: Invalid instance type"},
        {"Matrix4.instance().GetFront()", "error: Internal failure"},
        // The matrices have no _cloned: a clone holds no floats of its own.
        {"print((clone m).m00)", "error: Internal failure"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, Matrix4PrintDumpsItsRows) {
    Printed("Matrix4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16).Print(\"t\")");
    EXPECT_EQ(log.Text(), "Dumping matrix 't':\n[S] Vector 'Row' = {1.000,2.000,3.000}\n"
                          "[S] Vector 'Row' = {5.000,6.000,7.000}\n[S] Vector 'Row' = {9.000,10.000,11.000}\n"
                          "[S] Vector 'Row' = {13.000,14.000,15.000}\n");
    Printed("Matrix4().Print()");
    EXPECT_EQ(log.Text().rfind("Dumping matrix 'Matrix':\n", 0), 0u) << log.Text();
}

// Matrix3 keys stop at 2: "m30", "m03" and "m33" name nothing.
TEST_F(ValueClasses, Matrix3ConstructionAndKeys) {
    const ScriptRow rows[] = {
        {"local m = Matrix3(1, 2, 3, 4, 5, 6, 7, 8, 9); print(m.m10 + \" \" + m.m01 + \" \" + m.m22 + \" \" "
         "+ m.m20)",
         "2 4 9 3"},
        {"local m = Matrix3(Vector(1, 2, 3), Vector(4, 5, 6), Vector(7, 8, 9)); print(m.m10 + \" \" + m.m01)",
         "2 4"},
        {"local m = Matrix3(); print(m.m00 + \" \" + m.m10 + \" \" + m.m22)", "1 0 1"},
        {"print(Matrix3().m30)", "error: the index 'm30' does not exist"},
        {"print(Matrix3().m03)", "error: the index 'm03' does not exist"},
        {"Matrix3().m33 = 1.0", "error: the index 'm33' does not exist"},
        {"local m = Matrix3(); m.m21 = 4; print(S(m.GetRow(1)))", "0,1,4,1"},
        {"Matrix3(1, 2)", "error: Matrix3() wrong parameter count"},
        {"Matrix3(Vector(), Vector(), Vector.instance())", "error: Matrix3() invalid parameters"},
        {"Matrix3(Vector(), Vector(), UV())", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, Matrix3Methods) {
    ASSERT_TRUE(Run("m <- Matrix3(1, 2, 3, 4, 5, 6, 7, 8, 9);\n"
                    "turn <- Matrix3(0, 1, 0, -1, 0, 0, 0, 0, 1);\n"
                    "stretch <- Matrix3(2, 0, 0, 0, 1, 0, 0, 0, 1);\n",
                    "matrices.nut"));
    const ScriptRow rows[] = {
        {"print(S(m.GetRow(2)) + \" \" + S(m.GetColumn(0)))", "7,8,9,1 1,4,7,1"},
        {"m.GetRow(3)", "error: Matrix3::GetRow(): Invalid index"},
        {"m.GetColumn(3)", "error: Matrix3::GetColumn(): Invalid index"},
        {"m.SetRow(-1, Vector())", "error: Matrix3::SetRow(): Invalid index"},
        {"m.SetColumn(3, Vector())", "error: Matrix3::SetColumn(): Invalid index"},
        {"local c = Matrix3(); c.SetRow(2, Vector(4, 5, 6, 7)); print(S(c.GetRow(2)) + \" \" + c.m02)",
         "4,5,6,1 4"},
        {"local c = Matrix3(); c.SetColumn(1, Vector(4, 5, 6)); print(S(c.GetColumn(1)) + \" \" + c.m12)",
         "4,5,6,1 6"},
        {"print(S((stretch * turn).GetRow(0)) + \" \" + S((turn * stretch).GetRow(0)))", "0,1,0,1 0,2,0,1"},
        {"m * Matrix4()", "error: Invalid instance type"},
        {"local c = m.AsMatrix4(); print(typeof c + \" \" + S(c.GetRow(0)) + \" \" + S(c.GetRow(3)))",
         "Matrix4 1,2,3,0 0,0,0,1"},
        {"print(S(Matrix3.FromOrthonormalBasis(Vector(0, 0, 2)).GetRow(2)))", "0,0,1,1"},
        {"local b = m.FromOrthonormalBasis(Vector(0, 0, 1), Vector(0, 1, 0));"
         "print(S(b.GetRow(0)) + \" \" + S(b.GetRow(1)) + \" \" + S(b.GetRow(2)))",
         "1,0,0,1 0,1,0,1 0,0,1,1"},
        {"Matrix3.FromOrthonormalBasis(Vector(), Vector(), Vector())",
         "error: Matrix3::FromOrthonormalBasis() wrong parameter count"},
        {"Matrix3.FromOrthonormalBasis(UV())", "error: Invalid instance type"},
        {"print(Matrix3().SlerpTo(0.5, turn).GetRow(0).IsEqual(Vector(0.7071068, 0.7071068, 0), 0.0001))",
         "true"},
        {"print(Matrix3().SlerpTo(0.0, turn).GetRow(0).IsEqual(Vector(1, 0, 0)) + \" \" +"
         "Matrix3().SlerpTo(1.0, turn).GetRow(0).IsEqual(Vector(0, 1, 0)))",
         "true true"},
        {"Matrix3().SlerpTo(0.5, Matrix4())", "error: Invalid instance type"},
        {"print(turn.AsEuler().z)", "1.5708"},
    };
    ExpectScripts(rows);
}

TEST_F(ValueClasses, AsEulerDefaultsToOrderFour) {
    ASSERT_TRUE(PushMatrix3Instance(V(), zMatrix3::FromEulerAngles(0.3f, 0.5f, 0.7f, 4)));
    SetRoot("r");
    const ScriptRow rows[] = {
        {"print(r.AsEuler().IsEqual(Vector(0.3, 0.5, 0.7), 0.0001))", "true"},
        {"print(r.AsEuler(4).IsEqual(r.AsEuler()) + \" \" + r.AsEuler(0).IsEqual(r.AsEuler()))",
         "true false"},
    };
    ExpectScripts(rows);
}

// Natives push and read the classes' blocks; the start-up script's MinMax
// builds its corners with the registered Vector.
TEST_F(ValueClasses, NativesPushAndReadTheClasses) {
    const zMatrix4 transform =
        zMatrix4::Compose(zVector(1, 2, 3), zVector(0.1f, 0.2f, 0.3f), zVector(1, 2, 1), zVector(0, 0, 0));
    ASSERT_TRUE(PushMatrix4Instance(V(), transform));
    SetRoot("t");
    ASSERT_TRUE(PushVectorValue(V(), 1.5f, 2, 3, 4));
    SetRoot("v");
    ASSERT_TRUE(PushMinMaxValue(V(), zMinMax(zVector(-1, -2, -3), zVector(4, 5, 6))));
    SetRoot("mm");
    const ScriptRow rows[] = {
        {"print(S(t.GetPosition()))", "1,2,3,1"},
        {"print(typeof v + \" \" + S(v))", "Vector 1.5,2,3,4"},
        {"print(typeof mm.min + \" \" + S(mm.min) + \" \" + S(mm.max))", "Vector -1,-2,-3,1 4,5,6,1"},
    };
    ExpectScripts(rows);

    ASSERT_TRUE(Run("t.m01 = 42.0;"));
    sq_pushroottable(V());
    sq_pushstring(V(), "t", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(V(), -2)));
    zMatrix4 read;
    ASSERT_TRUE(GetMatrix4Argument(V(), -1, read));
    zMatrix3 notRead;
    EXPECT_FALSE(GetMatrix3Argument(V(), -1, notRead));
    sq_pop(V(), 2);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(read.e[i], i == 1 ? 42.0f : transform.e[i]) << i;
}

// What global natives read: a value of another class, or an instance made
// without its constructor, is refused with an error, never read.
TEST_F(ValueClasses, ArgumentReadersRefuseOtherValues) {
    ASSERT_TRUE(Run("bare <- Vector.instance(); uv <- UV(1, 2); m3 <- Matrix3();", "values.nut"));
    const struct {
        const char* name;
        const char* error;
    } cases[] = {{"bare", "Internal failure"}, {"uv", "invalid type tag"}, {"m3", "invalid type tag"}};
    for (const auto& c : cases) {
        sq_pushroottable(V());
        sq_pushstring(V(), c.name, -1);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_get(V(), -2)));
        float values[4] = {};
        zMatrix4 matrix;
        EXPECT_FALSE(GetVectorArgument(V(), -1, values)) << c.name;
        EXPECT_EQ(SquirrelLastError(V()), c.error) << c.name;
        EXPECT_FALSE(GetMatrix4Argument(V(), -1, matrix)) << c.name;
        sq_pop(V(), 2);
    }
}

TEST_F(ValueClasses, HeldObjectsKeepTheirInstances) {
    {
        SquirrelObject vector = NewVectorObject(V(), zVector(1, 2, 3, 4));
        SquirrelObject uv = NewUVObject(V(), 0.5f, 0.25f);
        SquirrelObject rotation = NewMatrix3Object(V(), zMatrix3::RotationZ(0.0f));
        SquirrelObject transform = NewMatrix4Object(V(), zMatrix4::Translation(zVector(7, 8, 9)));
        sq_pushroottable(V());
        const std::pair<const char*, const SquirrelObject*> slots[] = {
            {"hv", &vector}, {"huv", &uv}, {"hr", &rotation}, {"ht", &transform}};
        for (const auto& slot : slots) {
            sq_pushstring(V(), slot.first, -1);
            sq_pushobject(V(), slot.second->GetObjectHandle());
            sq_newslot(V(), -3, SQFalse);
        }
        sq_pop(V(), 1);
    }
    const ScriptRow rows[] = {
        {"print(S(hv) + \" \" + T(huv) + \" \" + hr.m00 + \" \" + S(ht.GetPosition()))",
         "1,2,3,4 0.5,0.25 1 7,8,9,1"},
    };
    ExpectScripts(rows);
}

// The OnCollisionEx table carries registered Vectors whose members work.
TEST_F(ValueClasses, CollisionTableHoldsWorkingVectors) {
    const zVector positions[2] = {zVector(1, 2, 3), zVector(-4, 5.5f, 6)};
    const zVector normals[2] = {zVector(0, 1, 0), zVector(0, -1, 0)};
    ASSERT_TRUE(ScriptNewCollisionTable(V(), 2, positions, normals));
    SetRoot("c");
    const ScriptRow rows[] = {
        {"print(c.count + \" \" + typeof c.p[1] + \" \" + S(c.p[1]) + \" \" + S(c.n[1]))",
         "2 Vector -4,5.5,6,1 0,-1,0,1"},
        {"print(c.p[0].Dist(c.p[1]) > 0 && c.n[0].Dot(c.n[1]) == -1)", "true"},
    };
    ExpectScripts(rows);
}

} // namespace
