// Forward declarations of the host's classes, for headers that only name
// them by pointer or reference; a unit that calls into one includes its own
// header.
#pragma once

namespace app {
class AppDocument;
class UndoAction;
namespace qrv {
class QRVApplication;
class QRVDocumnet;
}  // namespace qrv
}  // namespace app

namespace engine {
class BaseResItem;
class Document;
class DocumentObject;
class Factory;
class FieldContainer;
class FieldValue;
class Project;
class ResItem;
class ResItemList;
class SubEngineering;
class SubEngineeringFeeCalc;
class SubProject;

namespace dbtables {
class TableObject;
class TupleObject;
}  // namespace dbtables

namespace qrv {
class QRVBaseResItem;
class QRVBaseResItemGroup;
class QRVBaseResItemGroupFile;
class QRVBillStage;
class QRVBillStageGroup;
class QRVCostAccount;
class QRVCostAccountGroup;
class QRVCostAccountGroupFile;
class QRVFactory;
class QRVProject;
class QRVResCollect;
class QRVResCollectCopy;
class QRVResCollectObj;
class QRVResCollectTemplete;
class QRVResItem;
class QRVSubEngineering;
class QRVSubEngineeringFeeCalc;
class QRVSubProject;
class QRVTableObjectFile;
}  // namespace qrv
}  // namespace engine

namespace proxy {
class Element;
}  // namespace proxy
