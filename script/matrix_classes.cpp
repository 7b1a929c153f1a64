// The Matrix3 and Matrix4 script classes. Both keep the engine's column-major
// floats; their constructors, rows and columns speak rows and columns, and
// their element keys "mIJ" name the stored float at size * I + J.
#include <algorithm>

#include "core/log.h"
#include "core/quaternion.h"
#include "script/value_class_natives.h"

namespace {

// What the methods shared by both classes need to know of each.
struct Matrix3Traits {
    using Matrix = zMatrix3;
    static constexpr int Size = 3;
    static constexpr const char* InvalidText = "Matrix3() invalid parameters";
    static constexpr const char* CountText = "Matrix3() wrong parameter count";
    // GetRow, SetRow, GetColumn, SetColumn with an index outside 0..2.
    static constexpr const char* LineTexts[4] = {
        "Matrix3::GetRow(): Invalid index", "Matrix3::SetRow(): Invalid index",
        "Matrix3::GetColumn(): Invalid index", "Matrix3::SetColumn(): Invalid index"};

    static const ScriptClassDescriptor& Class() { return g_Matrix3Class; }
    static zMatrix3 Read(const float* block) { return Matrix3OfBlock(block); }
    static void Write(const zMatrix3& matrix, float* block) { std::copy(matrix.m, matrix.m + 9, block); }
    static SQInteger Return(HSQUIRRELVM vm, const zMatrix3& matrix) {
        return ReturnMatrix3Instance(vm, matrix);
    }
    static zVector GetLine(const zMatrix3& matrix, bool row, int index) {
        return row ? matrix.GetRow(index) : matrix.GetColumn(index);
    }
    static void SetLine(zMatrix3& matrix, bool row, int index, const zVector& value) {
        if (row)
            matrix.SetRow(index, value);
        else
            matrix.SetColumn(index, value);
    }
};

struct Matrix4Traits {
    using Matrix = zMatrix4;
    static constexpr int Size = 4;
    static constexpr const char* InvalidText = "Matrix4() invalid parameters";
    static constexpr const char* CountText = "Matrix4() wrong parameter count";
    static constexpr const char* LineTexts[4] = {
        "Matrix4::GetRow(): Invalid index", "Matrix4::SetRow(): Invalid index",
        "Matrix4::GetColumn(): Invalid index", "Matrix4::SetColumn(): Invalid index"};

    static const ScriptClassDescriptor& Class() { return g_Matrix4Class; }
    static zMatrix4 Read(const float* block) { return Matrix4OfBlock(block); }
    static void Write(const zMatrix4& matrix, float* block) { std::copy(matrix.e, matrix.e + 16, block); }
    static SQInteger Return(HSQUIRRELVM vm, const zMatrix4& matrix) {
        return ReturnMatrix4Instance(vm, matrix);
    }
    // Rows and columns carry their fourth element as w.
    static zVector GetLine(const zMatrix4& matrix, bool row, int index) {
        return row ? matrix.GetRow(index, false) : matrix.GetColumn(index, false);
    }
    static void SetLine(zMatrix4& matrix, bool row, int index, const zVector& value) {
        if (row)
            matrix.SetRow(index, value, false);
        else
            matrix.SetColumn(index, value, false);
    }
};

// No argument: the identity; Size Vectors: the rows; Size * Size numbers:
// the elements row by row.
template <class Traits> SQInteger MatrixConstructor(HSQUIRRELVM vm) {
    constexpr int size = Traits::Size;
    typename Traits::Matrix matrix;
    SQInteger count = ValueArgumentCount(vm);
    if (count == size) {
        for (int row = 0; row < size; ++row) {
            const float* value = ValueArgument(vm, 2 + row, g_VectorClass, Traits::InvalidText);
            if (!value) return SQ_ERROR;
            Traits::SetLine(matrix, true, row, VectorOfBlock(value));
        }
    } else if (count == size * size) {
        float values[size * size];
        if (!ReadValueFloats(vm, 2, size * size, values)) return sq_throwerror(vm, Traits::InvalidText);
        for (int row = 0; row < size; ++row) {
            const float* line = values + size * row;
            zVector value(line[0], line[1], line[2]);
            if constexpr (size == 4) value.w = line[3];
            Traits::SetLine(matrix, true, row, value);
        }
    } else if (count != 0) {
        return sq_throwerror(vm, Traits::CountText);
    }
    float* block = OwnValueBlock(vm, Traits::Class(), size * size);
    if (!block) return SQ_ERROR;
    Traits::Write(matrix, block);
    return 0;
}

// The stored index the string key at index 2 names ("mIJ", I the column and
// J the row, both below size); -1 for any other key.
int ElementIndexOfKey(HSQUIRRELVM vm, int size) {
    const SQChar* key = nullptr;
    if (SQ_FAILED(sq_getstring(vm, 2, &key)) || sq_getsize(vm, 2) != 3 || key[0] != 'm') return -1;
    int column = key[1] - '0';
    int row = key[2] - '0';
    if (column < 0 || column >= size || row < 0 || row >= size) return -1;
    return size * column + row;
}

template <class Traits> SQInteger MatrixGet(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, Traits::Class());
    if (!block) return SQ_ERROR;
    int element = ElementIndexOfKey(vm, Traits::Size);
    if (element < 0) return ValueKeyMiss(vm);
    sq_pushfloat(vm, block[element]);
    return 1;
}

template <class Traits> SQInteger MatrixSet(HSQUIRRELVM vm) {
    float* block = ValueSelf(vm, Traits::Class());
    if (!block) return SQ_ERROR;
    int element = ElementIndexOfKey(vm, Traits::Size);
    if (element < 0) return ValueKeyMiss(vm);
    SQFloat value = 0.0f;
    if (SQ_FAILED(sq_getfloat(vm, 3, &value))) value = 0.0f;
    block[element] = value;
    sq_pushfloat(vm, value);
    return 1;
}

// this times the other matrix of the class (Multiply(this, other)).
template <class Traits> SQInteger MatrixMul(HSQUIRRELVM vm) {
    const float* self = ValueSelf(vm, Traits::Class());
    if (!self) return SQ_ERROR;
    const float* other = ValueArgument(vm, 2, Traits::Class());
    if (!other) return SQ_ERROR;
    return Traits::Return(vm, Traits::Matrix::Multiply(Traits::Read(self), Traits::Read(other)));
}

// The row or column index at index 2; false after raising the method's text
// for one outside the matrix.
template <class Traits> bool ReadLineIndex(HSQUIRRELVM vm, bool row, bool set, int& index) {
    SQInteger value = -1;
    sq_getinteger(vm, 2, &value);
    if (value < 0 || value >= Traits::Size) {
        sq_throwerror(vm, Traits::LineTexts[(row ? 0 : 2) + (set ? 1 : 0)]);
        return false;
    }
    index = int(value);
    return true;
}

template <class Traits, bool Row> SQInteger MatrixGetLine(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, Traits::Class());
    int index = 0;
    if (!block || !ReadLineIndex<Traits>(vm, Row, false, index)) return SQ_ERROR;
    return ReturnVectorInstance(vm, Traits::GetLine(Traits::Read(block), Row, index));
}

template <class Traits, bool Row> SQInteger MatrixSetLine(HSQUIRRELVM vm) {
    float* block = ValueSelf(vm, Traits::Class());
    int index = 0;
    if (!block || !ReadLineIndex<Traits>(vm, Row, true, index)) return SQ_ERROR;
    const float* value = ValueArgument(vm, 3, g_VectorClass);
    if (!value) return SQ_ERROR;
    typename Traits::Matrix matrix = Traits::Read(block);
    Traits::SetLine(matrix, Row, index, VectorOfBlock(value));
    Traits::Write(matrix, block);
    return 0;
}

// -------------------------------------------------------------------- Matrix4

SQInteger Matrix4AsMatrix3(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, g_Matrix4Class);
    if (!block) return SQ_ERROR;
    return ReturnMatrix3Instance(vm, zMatrix3::FromMatrix4(Matrix4OfBlock(block)));
}

SQInteger Matrix4Print(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, g_Matrix4Class);
    if (!block) return SQ_ERROR;
    GetLog() << "Dumping matrix '" << ValuePrintName(vm, "Matrix") << "':\n";
    zMatrix4 matrix = Matrix4OfBlock(block);
    for (int row = 0; row < 4; ++row)
        matrix.GetRow(row, true).Print("Row");
    return 0;
}

// The upper-left 3x3 of this becomes the Matrix3, element by element.
SQInteger Matrix4RotationFromMatrix3(HSQUIRRELVM vm) {
    float* block = ValueSelf(vm, g_Matrix4Class);
    if (!block) return SQ_ERROR;
    const float* rotation = ValueArgument(vm, 2, g_Matrix3Class);
    if (!rotation) return SQ_ERROR;
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            block[4 * column + row] = rotation[3 * column + row];
    return 0;
}

// A row as a direction (w = 1), negated for the opposite one.
template <int Row, bool Negate> SQInteger Matrix4Direction(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, g_Matrix4Class);
    if (!block) return SQ_ERROR;
    zVector row = Matrix4OfBlock(block).GetRow(Row, true);
    return ReturnVectorInstance(vm, Negate ? zVector(-row.x, -row.y, -row.z) : row);
}

// -------------------------------------------------------------------- Matrix3

SQInteger Matrix3AsMatrix4(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, g_Matrix3Class);
    if (!block) return SQ_ERROR;
    return ReturnMatrix4Instance(vm, zMatrix4::FromMatrix3(Matrix3OfBlock(block)));
}

// May be called on the class: this is not read.
SQInteger Matrix3FromOrthonormalBasis(HSQUIRRELVM vm) {
    SQInteger count = ValueArgumentCount(vm);
    if (count > 2) return sq_throwerror(vm, "Matrix3::FromOrthonormalBasis() wrong parameter count");
    const float* direction = ValueArgument(vm, 2, g_VectorClass);
    if (!direction) return SQ_ERROR;
    if (count == 1) return ReturnMatrix3Instance(vm, zMatrix3::FromDirection(VectorOfBlock(direction)));
    const float* up = ValueArgument(vm, 3, g_VectorClass);
    if (!up) return SQ_ERROR;
    zVector upVector = VectorOfBlock(up);
    return ReturnMatrix3Instance(vm, zMatrix3::FromDirection(VectorOfBlock(direction), &upVector));
}

SQInteger Matrix3SlerpTo(HSQUIRRELVM vm) {
    const float* self = ValueSelf(vm, g_Matrix3Class);
    if (!self) return SQ_ERROR;
    SQFloat t = 0.0f;
    sq_getfloat(vm, 2, &t);
    const float* other = ValueArgument(vm, 3, g_Matrix3Class);
    if (!other) return SQ_ERROR;
    zQuaternion from = zQuaternion::FromMatrix3(Matrix3OfBlock(self));
    zQuaternion to = zQuaternion::FromMatrix3(Matrix3OfBlock(other));
    return ReturnMatrix3Instance(vm, zQuaternion::Slerp(t, from, to).ToMatrix3());
}

// Euler angles in radians for a rotation order (default 4, the items' own).
SQInteger Matrix3AsEuler(HSQUIRRELVM vm) {
    const float* block = ValueSelf(vm, g_Matrix3Class);
    if (!block) return SQ_ERROR;
    SQInteger order = 4;
    if (ValueArgumentCount(vm) >= 1) sq_getinteger(vm, 2, &order);
    return ReturnVectorInstance(vm, Matrix3OfBlock(block).AsEuler(int(order)));
}

const ScriptMethodEntry g_Matrix4Methods[] = {
    {"_typeof", ValueTypeof<g_Matrix4Class>, 1, nullptr},
    {"constructor", MatrixConstructor<Matrix4Traits>, -1, ". n|x n|x n|x n|x nnnn nnnn"},
    {"_get", MatrixGet<Matrix4Traits>, 2, "xs"},
    {"_set", MatrixSet<Matrix4Traits>, 3, "xsn"},
    {"_mul", MatrixMul<Matrix4Traits>, 2, "xx"},
    {"GetRow", MatrixGetLine<Matrix4Traits, true>, 2, "xi"},
    {"SetRow", MatrixSetLine<Matrix4Traits, true>, 3, "xix"},
    {"GetColumn", MatrixGetLine<Matrix4Traits, false>, 2, "xi"},
    {"SetColumn", MatrixSetLine<Matrix4Traits, false>, 3, "xix"},
    {"AsMatrix3", Matrix4AsMatrix3, 1, "x"},
    {"Print", Matrix4Print, -1, "x"},
    {"RotationFromMatrix3", Matrix4RotationFromMatrix3, 2, "xx"},
    {"GetFront", Matrix4Direction<2, false>, 1, "x"},
    {"GetBack", Matrix4Direction<2, true>, 1, "x"},
    {"GetRight", Matrix4Direction<0, false>, 1, "x"},
    {"GetLeft", Matrix4Direction<0, true>, 1, "x"},
    {"GetUp", Matrix4Direction<1, false>, 1, "x"},
    {"GetDown", Matrix4Direction<1, true>, 1, "x"},
    {"GetPosition", Matrix4Direction<3, false>, 1, "x"},
    {nullptr, nullptr, 0, nullptr},
};

const ScriptMethodEntry g_Matrix3Methods[] = {
    {"_typeof", ValueTypeof<g_Matrix3Class>, 1, nullptr},
    {"constructor", MatrixConstructor<Matrix3Traits>, -1, ". n|x n|x n|x nnn nnn"},
    {"_get", MatrixGet<Matrix3Traits>, 2, "xs"},
    {"_set", MatrixSet<Matrix3Traits>, 3, "xsn"},
    {"_mul", MatrixMul<Matrix3Traits>, 2, "xx"},
    {"GetRow", MatrixGetLine<Matrix3Traits, true>, 2, "xi"},
    {"SetRow", MatrixSetLine<Matrix3Traits, true>, 3, "xix"},
    {"GetColumn", MatrixGetLine<Matrix3Traits, false>, 2, "xi"},
    {"SetColumn", MatrixSetLine<Matrix3Traits, false>, 3, "xix"},
    {"AsMatrix4", Matrix3AsMatrix4, 1, "x"},
    {"FromOrthonormalBasis", Matrix3FromOrthonormalBasis, -2, ".xx"},
    {"SlerpTo", Matrix3SlerpTo, 3, "xnx"},
    {"AsEuler", Matrix3AsEuler, -1, "xi"},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

const ScriptClassDescriptor g_Matrix3Class = {"Matrix3", nullptr, g_Matrix3Methods};
const ScriptClassDescriptor g_Matrix4Class = {"Matrix4", nullptr, g_Matrix4Methods};
