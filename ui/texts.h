// Every text the window adds to the specified ones, in one table with a
// column per language (Russian, German, English): a new language is a new
// column. The specified captions and messages are not here; they stay as
// specified.
#pragma once

#include <QString>

#include <span>

#include "model/languages.h"

namespace torv {

enum class Text {
    // START refuses a field
    StartUnread,
    // Run progress and its end
    RunTitle,
    RunPass1,
    RunPass2,
    RunTime1,
    RunTime2,
    RunCancel,
    RunCancelled,
    RunCancelledFirst,
    RunCancelledKept,
    RunNonPositiveStep,
    RunTooManySteps,
    // Graph area menu
    MenuSaveGraph,
    MenuCopyGraph,
    MenuExportCsv,
    MenuCheckStep,
    MenuKeepRun,
    MenuClearKept,
    MenuMarkEvents,
    MenuHelp,
    MenuAbout,
    // Why a menu entry is off
    WhyNoGraph,
    WhyRunFailed,
    WhyKeptAlready,
    WhyKeptFull,
    WhyNoneKept,
    // Save dialogs
    FilterPng,
    FilterCsv,
    // Step check table and notice
    CheckTitle,
    CheckQuantity,
    CheckRatio,
    CheckError,
    CheckExtrapolated,
    CheckFailed,
    CheckFlightTime,
    CheckRange,
    CheckMaxAltitude,
    CheckEndSpeed,
    CheckMaxLoadFactor,
    CheckMaxDynamicPressure,
    CheckEndPathAngle,
    CheckMaxDeceleration,
    CheckCoarse,
    CheckFine,
    CheckUnsettled,
    CheckNotYet,
    CheckNotConvergent,
    CheckBelow,
    CheckNoneChanges,
    CheckMethod,
    CheckReentryNote,
    CheckSamples,
    CheckConverge,
    // The converged answer
    ConvergeTitle,
    ConvergeValue,
    ConvergeExtrapolated,
    ConvergeDone,
    ConvergeBudget,
    ConvergeSteps,
    ConvergeFailed,
    ConvergeCancelled,
    ConvergeMissing,
    ConvergeRun,
    NoticeCoarse,
    NoticeUnsettled,
    NoticeFailed,
    NoticeOffer,
    NoticeSamples,
    NoticePartCovered,
    NoticeTable,
    NoticeCheck,
    // Scenario files
    ScenarioOpen,
    ScenarioSave,
    ScenarioRecent,
    ScenarioNoRecent,
    ScenarioFilter,
    ScenarioGone,
    ScenarioReadFailed,
    SaveUnreadField,
    SaveNoClass,
    // A small screen: START lies outside the view
    StartOutOfView,
    // A file error's second line: the file and why
    FileWriteFailed,
    FileReadFailed,
    FileFolderFailed,
    FileRunKept,
    ReasonNoSpace,
    ReasonQuota,
    ReasonDenied,
    ReasonNotPermitted,
    ReasonSticky,
    ReasonReadOnly,
    ReasonTooLarge,
    ReasonDevice,
    ReasonMissing,
    ReasonNotFolder,
    ReasonIsFolder,
    ReasonLink,
    ReasonHardLinks,
    ReasonNotRegular,
    ReasonNameTooLong,
    // Fields: the help's line and the tooltip
    FieldMass,
    FieldArea,
    FieldStep,
    FieldDrag,
    FieldLift,
    FieldPathAngle,
    FieldAltitude,
    FieldSpeed,
    FieldEndTime,
    FieldGasDensity,
    FieldFloatAltitude,
    FieldGasLoss,
    FieldBuoyancySurplus,
    FieldFuel,
    FieldImpulse,
    FieldThrust,
    FieldAeroModel,
    FieldAreaLoading,
    FieldLevelSpeed,
    // Help window
    HelpTitle,
    HelpWhat,
    HelpWhatBody,
    HelpRoad,
    HelpRoadBody,
    HelpFields,
    HelpFieldsBody,
    HelpMenu,
    HelpMenuBody,
    HelpCheck,
    HelpCheckBody,
    HelpKeys,
    HelpKeysBody,
    HelpFiles,
    HelpFilesBody,
    HelpModels,
    HelpModelsLink,
    ModelsAssume,
    ModelsAssumeBody,
    ModelsByClass,
    ModelsByClassBody,
    ModelsCheck,
    ModelsCheckBody,
    HelpBack,
    HelpShortcut,
    // About box
    AboutTitle,
    AboutVersion,
    AboutBuild,
    AboutLicence,
    AboutLicenceBody,
    AboutQt,
    AboutCommit,
    AboutUnknown,
    // The calculation form's information: the terms of use
    InfoTerms,
    // The name a new scenario file is offered
    ScenarioDefaultName,
    // The study window
    StudyMenu,
    StudyTitle,
    StudyInput,
    StudyLawSweep,
    StudyLawNormal,
    StudyLawUniform,
    StudyLawTriangular,
    StudyAdd,
    StudyRemove,
    StudyRuns,
    StudySeed,
    StudyRun,
    StudyCancel,
    StudyProgress,
    StudyCancelled,
    StudyFailedRuns,
    StudyOutput,
    StudySavePng,
    StudySaveCsv,
    StudyClose,
    StudyCannot,
    StudyNoRows,
    StudyCount,
    StudyPictureKind,
    StudyKindCurve,
    StudyKindFamily,
    StudyKindHistogram,
    StudyKindCdf,
    StudyKindScatter,
    StudyKindBand,
    StudyAgainst,
    StudyShare,
    StudyRTooFew,
    StudyRNoSpread,
    StudyBandRange,
    StudyBandThin,
    StudyBandMedian,
    StudyBandNominal,
    StudyBandOverTime,
    StudyBandFirst,
    StudyDrawOnGraph,
    StudyDrawNone,
    StudyDrawFull,
    Count
};

struct TextRow {
    template <typename... Each>
    consteval TextRow(Text w, Each... each)
        : which(w)
        , text(each...)
    {
    }

    Text which;
    Texts text;
};

// The whole table, in the order of Text.
std::span<const TextRow> textTable();

// The text of `which` in language `sprache` (1 Russian, 2 German, anything
// else English, as the start form speaks before a language is chosen).
QString text(Text which, int sprache);
// ... in the forms' language (Sprache).
QString text(Text which);

} // namespace torv
