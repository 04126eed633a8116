// Tests of the application records' tolerant JSON binding and the containers' write orders.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "data/KvAppRecords.h"

namespace {

using Brisk::RapidJsonHelper::JsonArray;
using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonMap;

template <typename T>
T Parsed(const std::string& json) {
    T record;
    EXPECT_TRUE(JsonBase::FromJson(&record, json)) << json;
    return record;
}

TEST(AppRecordSentinels, HaveTheExactBitPatterns) {
    EXPECT_EQ(std::bit_cast<uint32_t>(kAppFloatUnset), 0x7F7FFFFFu);
    EXPECT_EQ(static_cast<uint32_t>(kAppIntUnset), 0x80000000u);
    const CUnit unit;
    EXPECT_EQ(std::bit_cast<uint32_t>(unit.ratio), 0x7F7FFFFFu);
    EXPECT_EQ(std::bit_cast<uint32_t>(unit.offset), 0x7F7FFFFFu);
    const CLogicInfo logic;
    EXPECT_EQ(logic.logicNo, INT32_MIN);
    EXPECT_EQ(logic.visibleStep, INT32_MIN);
    EXPECT_EQ(logic.visibleId, INT32_MIN);
    EXPECT_EQ(CFunPar().isEmpty, 0);
}

TEST(AppRecordBinding, IgnoresValuesOfTheWrongKind) {
    const auto par = Parsed<CFunPar>(
        R"({"name": 5, "dataType": "int", "scope": "x", "select": [1], "isEmpty": 1.0})");
    EXPECT_EQ(par.name, "");
    EXPECT_EQ(par.dataType, "int");
    EXPECT_TRUE(par.scope.empty());
    EXPECT_TRUE(par.select.empty());
    EXPECT_EQ(par.isEmpty, 0);

    for (const char* isEmpty : {"true", "\"1\"", "2147483648", "null", "[1]"}) {
        EXPECT_EQ(Parsed<CFunPar>(std::string(R"({"isEmpty": )") + isEmpty + "}").isEmpty, 0)
            << isEmpty;
    }
    EXPECT_EQ(Parsed<CFunPar>(R"({"isEmpty": 1})").isEmpty, 1);

    // A JSON number is no quantity text.
    EXPECT_EQ(Parsed<CMaterialQuantity>(R"({"name": "盐", "quantity": 5})").quantity, "");
    // Keys match exactly: case and embedded NUL bytes count.
    EXPECT_EQ(Parsed<CMaterial>(R"({"Code": "a", "code\u0000": "b", "name ": "c"})").code, "");
}

TEST(AppRecordBinding, KeepsSentinelsUnlessANumberIsGiven) {
    EXPECT_EQ(Parsed<COral>(R"({"id": "o1"})").value, kAppFloatUnset);
    EXPECT_EQ(Parsed<COral>(R"({"value": 2})").value, 2.0f);
    EXPECT_EQ(Parsed<COral>(R"({"value": "2"})").value, kAppFloatUnset);

    const auto unit = Parsed<CUnit>(R"({"srcename": "kg", "ratio": 1000.5, "offset": -1e-3})");
    EXPECT_EQ(unit.ratio, 1000.5f);
    EXPECT_EQ(unit.offset, static_cast<float>(-1e-3));
    // Beyond the float range is no float value: the sentinel stays.
    EXPECT_EQ(Parsed<CUnit>(R"({"ratio": 1e39, "offset": -1e300})").ratio, kAppFloatUnset);
    EXPECT_EQ(Parsed<CUnit>(R"({"ratio": 1e39, "offset": -1e300})").offset, kAppFloatUnset);

    const auto logic = Parsed<CLogicInfo>(R"({"logicNo": 3, "visibleStep": 1.5, "visibleId": -4})");
    EXPECT_EQ(logic.logicNo, 3);
    EXPECT_EQ(logic.visibleStep, kAppIntUnset);
    EXPECT_EQ(logic.visibleId, -4);
}

TEST(AppRecordBinding, TheLastAcceptableDuplicateKeyWins) {
    const auto material = Parsed<CMaterial>(R"({"code": "a", "code": "b", "code": 7})");
    EXPECT_EQ(material.code, "b");
    const auto logic = Parsed<CLogicInfo>(R"({"logicNo": 1, "logicNo": 2, "logicNo": "3"})");
    EXPECT_EQ(logic.logicNo, 2);
    // A container key given twice feeds the same container twice.
    const auto par = Parsed<CFunPar>(R"({"scope": ["0"], "scope": ["10"]})");
    EXPECT_EQ(par.scope.items, (std::vector<std::string>{"0", "10"}));
}

TEST(AppRecordBinding, ANonObjectLeavesTheRecordUnchanged) {
    CMaterial material;
    material.code = "kept";
    for (const char* json : {"[]", "\"code\"", "5", "null"}) {
        EXPECT_TRUE(JsonBase::FromJson(&material, json));
        EXPECT_EQ(material.code, "kept") << json;
    }
    // Text that is not JSON never reaches the record.
    EXPECT_FALSE(JsonBase::FromJson(&material, R"({"code": "x")"));
    EXPECT_EQ(material.code, "kept");
}

TEST(AppRecordBinding, ReadsNestedRecordsAndEveryField) {
    const auto des = Parsed<CFunctionParasValueDes>(R"({
        "functionName": "加热", "functionEName": "heat",
        "par": [{"name": "temp", "dataType": "温度", "scope": ["0", "inf", 5],
                 "select": {"high": "3", "low": 1, "mid": null}, "isEmpty": 1}],
        "arrayPar": {"name": "items", "displayname": "物料", "type": "list",
                     "par": [{"name": "m"}, 7]},
        "extra": {"ignored": true}})");
    EXPECT_EQ(des.functionName, "加热");
    EXPECT_EQ(des.functionEName, "heat");
    ASSERT_EQ(des.par.size(), 1u);
    EXPECT_EQ(des.par[0].scope.items, (std::vector<std::string>{"0", "inf"}));
    EXPECT_EQ(des.par[0].select.entries, (std::map<std::string, std::string>{{"high", "3"}}));
    EXPECT_EQ(des.par[0].isEmpty, 1);
    EXPECT_EQ(des.arrayPar.name, "items");
    EXPECT_EQ(des.arrayPar.displayname, "物料");
    EXPECT_EQ(des.arrayPar.type, "list");
    ASSERT_EQ(des.arrayPar.par.size(), 2u);  // a non-object element gives a default record
    EXPECT_EQ(des.arrayPar.par[1].name, "");

    const auto oral = Parsed<COral>(
        R"({"id": "1", "name": "n", "alias": "a", "unit": "g", "productCode": [1, "2", 3.5, 4]})");
    EXPECT_EQ(oral.productCode.items, (std::vector<int>{1, 4}));
    const auto resource = Parsed<CResource>(R"({"code": "r1", "name": "锅", "type": "pot"})");
    EXPECT_EQ(resource.type, "pot");
    const auto type = Parsed<CBsType>(
        R"({"name": "温度", "nameDesc": "temperature", "dataType": "number", "unit": "℃"})");
    EXPECT_EQ(type.nameDesc, "temperature");
    EXPECT_EQ(type.unit, "℃");
    const auto variable = Parsed<CVarValueDes>(
        R"({"variableName": "v", "dataType": "t", "select": {"a": "b"}, "scope": ["1", "2"]})");
    EXPECT_EQ(variable.select.entries.at("a"), "b");
    EXPECT_EQ(variable.scope.size(), 2u);
    const auto logic = Parsed<CLogicInfo>(
        R"({"materialList": [{"name": "盐", "quantity": "5g"}, "x"]})");
    ASSERT_EQ(logic.materialList.size(), 2u);
    EXPECT_EQ(logic.materialList[0].quantity, "5g");
    EXPECT_EQ(Parsed<CAppVmObject>(R"({"taskIdList": ["t3", 4, "t4"]})").taskIdList.items,
              (std::vector<std::string>{"t3", "t4"}));
}

TEST(JsonContainers, ArraysAppendWhenParsedAgainAndMapsReplace) {
    JsonArray<CMaterial> materials;
    const std::string list = R"([1, "x", {"code": "a"}])";
    JsonBase::FromJson(&materials, list);
    ASSERT_EQ(materials.size(), 3u);
    EXPECT_EQ(materials[0].code, "");
    EXPECT_EQ(materials[2].code, "a");
    JsonBase::FromJson(&materials, list);
    EXPECT_EQ(materials.size(), 6u);

    JsonMap<CAppVmVarValue> values;
    const std::string object = R"({"a": null, "b": {"src": "1", "dst": "2"}})";
    JsonBase::FromJson(&values, object);
    JsonBase::FromJson(&values, object);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values.entries.at("b").dst, "2");
    // A replaced entry starts from a default record; other entries stay.
    JsonBase::FromJson(&values, R"({"b": {"src": "9"}, "c": {}})");
    EXPECT_EQ(values.entries.at("b").src, "9");
    EXPECT_EQ(values.entries.at("b").dst, "");
    EXPECT_EQ(values.size(), 2u);
}

TEST(JsonContainers, MapsWriteKeysAscendingOrDescendingByBytes) {
    JsonMap<std::string> texts;
    JsonBase::FromJson(&texts, R"({"a": "1", "c": "3", "b": "2"})");
    EXPECT_EQ(texts.ToJson(), R"({"a":"1","b":"2","c":"3"})");
    texts.writeKeysDescending = true;
    EXPECT_EQ(texts.ToJson(), R"({"c":"3","b":"2","a":"1"})");

    JsonMap<CAppVmPar> pars;
    JsonBase::FromJson(&pars, R"({"1": {}, "10": {}, "2": {}})");
    pars.writeKeysDescending = true;
    EXPECT_EQ(pars.ToJson(),
              R"({"2":{"attachKeys":[],"attachData":{}},"10":{"attachKeys":[],"attachData":{}},)"
              R"("1":{"attachKeys":[],"attachData":{}}})");
    EXPECT_TRUE(JsonMap<std::string>::CmpBykey("2", "10"));
    EXPECT_FALSE(JsonMap<std::string>::CmpBykey("1", "1"));

    // Names differing only after a NUL byte stay two keys when written back.
    JsonMap<std::string> nulKeys;
    JsonBase::FromJson(&nulKeys, R"({"k\u0000x": "1", "k\u0000y": "2"})");
    EXPECT_EQ(nulKeys.ToJson(), R"({"k\u0000x":"1","k\u0000y":"2"})");
}

TEST(WrittenRecords, WriteTheirKeysInOrder) {
    EXPECT_EQ(CAppVmPar().ToJson(), R"({"attachKeys":[],"attachData":{}})");
    const auto par = Parsed<CAppVmPar>(
        R"({"attachData": {"z": {"dst": "d", "src": "s"}, "y": 3}, "attachKeys": ["k", 1]})");
    // A non-null member of the wrong kind still makes a (default) entry.
    EXPECT_EQ(par.ToJson(), R"({"attachKeys":["k"],"attachData":{"y":{"src":"","dst":""},)"
                            R"("z":{"src":"s","dst":"d"}}})");
    const auto config = Parsed<CCompilerConfig>(R"({"description": "1", "name": "VMAppFileType"})");
    EXPECT_EQ(config.ToJson(), R"({"name":"VMAppFileType","description":"1"})");
    CAppVmVarValue value;
    value.src = "引号\"";
    EXPECT_EQ(value.ToJson(), R"({"src":"引号\"","dst":""})");
}

TEST(InputRecords, WriteNothing) {
    EXPECT_EQ(CMaterial().ToJson(), "");
    EXPECT_EQ(CUnit().ToJson(), "");
    JsonArray<CLogicInfo> list;
    list.items.resize(2);
    EXPECT_EQ(list.ToJson(), "[]");
}

}  // namespace
