// Arrays: a vector of values with bounds-checked access.
#pragma once

#include "squirrel/sqobject.h"

struct SQArray : public SQCollectable {
    SQObjectPtrVec _values;

    static SQArray *Create(SQSharedState *ss, SQInteger nInitialSize) {
        SQArray *a = new SQArray(ss);
        a->_values.resize((size_t)nInitialSize);
        return a;
    }
    void Mark(SQGCMarker &marker) override {
        for (auto &v : _values) marker.Mark(v);
    }
    void Finalize() override {
        SQObjectPtrVec old;
        old.swap(_values);
    }
    SQObjectType GetType() override { return OT_ARRAY; }

    bool Get(SQInteger nidx, SQObjectPtr &val) {
        if (nidx >= 0 && nidx < (SQInteger)_values.size()) {
            val = sq_realval(_values[(size_t)nidx]);
            return true;
        }
        return false;
    }
    bool Set(SQInteger nidx, const SQObjectPtr &val) {
        if (nidx >= 0 && nidx < (SQInteger)_values.size()) {
            _values[(size_t)nidx] = val;
            return true;
        }
        return false;
    }
    SQInteger Next(const SQObjectPtr &refpos, SQObjectPtr &outkey, SQObjectPtr &outval) {
        SQInteger idx = sqtype(refpos) == OT_NULL ? 0 : (SQInteger)tointeger(refpos);
        if (idx >= 0 && idx < (SQInteger)_values.size()) {
            outkey = idx;
            outval = sq_realval(_values[(size_t)idx]);
            return idx + 1;
        }
        return -1;
    }
    SQArray *Clone() {
        SQArray *anew = Create(_sharedstate, 0);
        anew->_values = _values;
        return anew;
    }
    SQInteger Size() const { return (SQInteger)_values.size(); }
    void Resize(SQInteger size, const SQObjectPtr &fill = SQObjectPtr()) { _values.resize((size_t)size, fill); }
    void Reserve(SQInteger size) { _values.reserve((size_t)size); }
    void Append(const SQObject &o) { _values.push_back(SQObjectPtr(o)); }
    void Extend(const SQArray *a) {
        SQObjectPtrVec copy = a->_values;  // a may be this array
        for (auto &v : copy) _values.push_back(v);
    }
    SQObjectPtr &Top() { return _values.back(); }
    void Pop() {
        SQObjectPtr last = _values.back();  // released after the array shrank
        _values.pop_back();
    }
    bool Insert(SQInteger idx, const SQObject &val) {
        if (idx < 0 || idx > (SQInteger)_values.size()) return false;
        _values.insert(_values.begin() + idx, SQObjectPtr(val));
        return true;
    }
    bool Remove(SQInteger idx) {
        if (idx < 0 || idx >= (SQInteger)_values.size()) return false;
        SQObjectPtr old = _values[(size_t)idx];
        _values.erase(_values.begin() + idx);
        return true;
    }

private:
    explicit SQArray(SQSharedState *ss) : SQCollectable(ss) {}
};
