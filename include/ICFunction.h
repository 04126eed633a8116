// ICFunction and IMidVariable: the host's callable functions and intermediate variables.
#pragma once

#include <string>

// A function the host can call from a recipe. Owned by the host.
class ICFunction {
public:
    // The device index; negative for a function that drives no device.
    virtual int GetDevIndex() = 0;
    // Only entries above 0 are recipe functions that the checker examines.
    virtual int GetFunctionNo() = 0;
    // The dotted full name; its last piece is the short name.
    virtual std::string GetFullName() = 0;
    // A dotted path whose last piece is the device method name.
    virtual std::string GetMethodPath() = 0;

protected:
    ~ICFunction() = default;
};

// An intermediate variable, possibly bound to a device sensor. Owned by the host.
class IMidVariable {
public:
    // The device id; negative when the variable is bound to no device.
    virtual int GetDevId() = 0;
    // The dotted full name; its last piece is the short name.
    virtual std::string GetFullName() = 0;
    // A dotted path whose last piece is the sensor name.
    virtual std::string GetSensorPath() = 0;

protected:
    ~IMidVariable() = default;
};
