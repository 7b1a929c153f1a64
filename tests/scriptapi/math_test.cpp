// Math natives: rotations and transformations from Vectors and matrices.
#include <gtest/gtest.h>

#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

namespace {

class MathApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
    }
};

TEST_F(MathApi, MatrixToEulerGivesBackTheAnglesOfEachOrder) {
    const ScriptRow rows[] = {
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 0), 0)))", "0.1 0.2 0.3 1"},
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 1), 1)))", "0.1 0.2 0.3 1"},
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 2), 2)))", "0.1 0.2 0.3 1"},
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 3), 3)))", "0.1 0.2 0.3 1"},
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 4), 4)))", "0.1 0.2 0.3 1"},
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 5), 5)))", "0.1 0.2 0.3 1"},
        // A rotation read in another order gives other angles.
        {"print(TestShow(MatrixToEuler(TestRotation(0.1, 0.2, 0.3, 0), 5)) != \"0.1 0.2 0.3 1\")", "true"},
        {"print(TestShow(MatrixToEuler(TestRotation(0, 0, 0, 4), 4)))", "0 0 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(MathApi, DirectionsGiveRotations) {
    const ScriptRow rows[] = {
        {"print(TestShow(RotationMatrixFromDirection(TestVector(0, 0, 0, 1))))", "1 0 0 0 1 0 0 0 1"},
        // Looking down z is no rotation; the length of the direction does not count.
        {"print(TestShow(RotationMatrixFromDirection(TestVector(0, 0, 5, 0))))", "1 0 0 0 1 0 0 0 1"},
        {"print(TestShow(EulerFromDirection(TestVector(0, 0, 2, 1))))", "0 0 0 1"},
        // Rows side, up, direction (stored by column): the direction normalised.
        {"print(TestShow(RotationMatrixFromDirection(TestVector(3, 0, 4, 1))))", "0.8 0 0.6 0 1 0 -0.6 0 0.8"},
        {"print(TestShow(EulerFromDirection(TestVector(1, 0, 0, 1))))", "0 1.5708 0 1"},
        // Up and forward: a negative turn about x brings z toward y.
        {"print(TestShow(EulerFromDirection(TestVector(0, 1, 1, 1))))", "-0.7854 0 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(MathApi, TransformationMatrixComposesPositionRotationScaleAndOffset) {
    const ScriptRow rows[] = {
        {"print(TestShow(TransformationMatrix(TestVector(1, 2, 3, 1), TestVector(0, 0, 0, 1),"
         " TestVector(2, 2, 2, 1), TestVector(0, 0, 0, 1))))",
         "2 0 0 1 0 2 0 2 0 0 2 3 0 0 0 1"},
        // The offset moves the point before the scale: (1, 0, 0) x 2 + position.
        {"print(TestShow(TransformationMatrix(TestVector(1, 2, 3, 1), TestVector(0, 0, 0, 1),"
         " TestVector(2, 2, 2, 1), TestVector(1, 0, 0, 1))))",
         "2 0 0 3 0 2 0 2 0 0 2 3 0 0 0 1"},
        // A quarter turn about z: x goes to y.
        {"print(TestShow(TransformationMatrix(TestVector(0, 0, 0, 1), TestVector(0, 0, 1.5707963, 1),"
         " TestVector(1, 1, 1, 1), TestVector(0, 0, 0, 1))))",
         "0 -1 0 0 1 0 0 0 0 0 1 0 0 0 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(MathApi, ArgumentsOfAnotherClassAreRefused) {
    const ScriptRow rows[] = {
        {"MatrixToEuler(TestVector(0, 0, 0, 1), 4)", "error: Invalid instance type"},
        {"MatrixToEuler(TestTranslation(0, 0, 0), 4)", "error: Invalid instance type"},
        {"MatrixToEuler(g_engine, 4)", "error: Invalid instance type"},
        {"EulerFromDirection(TestRotation(0, 0, 0, 4))", "error: Invalid instance type"},
        {"RotationMatrixFromDirection(g_engine)", "error: Invalid instance type"},
        {"local v = TestVector(0, 0, 0, 1); TransformationMatrix(v, v, v, g_engine)", "error: Invalid instance type"},
        {"MatrixToEuler(1, 4)", "error: parameter 1 has an invalid type 'integer' ; expected: 'instance'"},
        {"MatrixToEuler(TestRotation(0, 0, 0, 4), 4.5)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"EulerFromDirection()", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

} // namespace
