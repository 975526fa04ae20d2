// acfi_messages.h — the texts the CFI scanner reports (all as error 103,
// "CFI directive error, " and the text). A text that starts with a blank or
// ends in one is completed with a name.
#pragma once

namespace cfi_msg {

// clang-format off
// Blocks
constexpr const char* kExpectedDirective      = "Expected a directive";
constexpr const char* kExpectedBlock          = "Expected a block definition";
constexpr const char* kNamesExists            = "A name block with this name exist already";
constexpr const char* kNamesExtendUndefined   = "Trying to extend a name block that hasn't been defined";
constexpr const char* kNamesWrongClose        = "Wrong name used to close this name block";
constexpr const char* kAlreadyNames           = "Already defining a names block";
constexpr const char* kUnknownNamesDirective  = "Unknown directive for a names block";
constexpr const char* kNotInExtended          = "This directive is not usable in an extended names block";
constexpr const char* kNotInPlain             = "This directive is not usable in an non-extended names block";
constexpr const char* kExpectedUsingOrExtends = "Expected USING or EXTENDS";
constexpr const char* kExpectedUsing          = "Expected USING";
constexpr const char* kNotDefined             = " hasn't been defined";               // "Names block X", "Common block X"
constexpr const char* kAlreadyDefinedBlock    = " has already been defined";          // "Common block X", "Data block X"
constexpr const char* kAlreadyCommon          = "Already defining a common block";
constexpr const char* kCommonWrongClose       = "Wrong name used to close this common block";
constexpr const char* kDataWrongClose         = "Wrong name used to close this data block";
constexpr const char* kNoDataOpen             = "No data block with name ";           // + name + kOpen
constexpr const char* kOpen                   = " open";
constexpr const char* kNotSameModule          = "Not in same module that we started this data block in";
constexpr const char* kNotSameSegment         = "Not in same segment that we started this data block in";
constexpr const char* kNotCfiSegment          = "Not in a segment that can have cfi information";
constexpr const char* kWhichDataBlock         = "Don't know which of several data blocks to use for the directive";
constexpr const char* kMissingDataRef         = "Missing a data block reference for the directive";
constexpr const char* kNotExtendingNames      = " doesn't extend the names block of the original common block";
constexpr const char* kNotClosedAtEnd         = " not closed at the end of the module";  // "Names block X", ...
// Names blocks
constexpr const char* kExpectedColon          = "Expected a colon ':'";
constexpr const char* kSizeAboveZero          = "Expected a size larger than zero";
constexpr const char* kSizeRange              = "Expected a size in range [1, 65535]";
constexpr const char* kTwoOrMoreParts         = "Must have two or more resource parts";
constexpr const char* kPartsSizeSum           = "The size of the sum of the resource parts doesn't match the parted resource size";
constexpr const char* kHasParts               = " already has a resourceparts definition";
constexpr const char* kIsPart                 = " is already a part of a resource";
constexpr const char* kAlreadyDefined         = "Already defined";
constexpr const char* kReserved               = "A word of the CFI directive can not be used as a name";
constexpr const char* kTooManyNames           = "Too many resources or CFAs (max is 65535)";
constexpr const char* kCellSize               = "Size must be in the range 1 - 4";
// Common blocks
constexpr const char* kCodeAlignRange         = "Expected a code-alignment in range [1, 256]";
constexpr const char* kCodeAlignSet           = "Code alignment already set or has been used";
constexpr const char* kDataAlignRange         = "Expected a data-alignment in range [-256, 256] and not 0";
constexpr const char* kDataAlignSet           = "Data alignment already set or has been used";
constexpr const char* kReturnAddress          = "Already defined return address resource or ";  // + name + kNotResource
constexpr const char* kNotResource            = " is not a resource";
constexpr const char* kNotInExtendedCommon    = "Directive not usable in an extended common block";
constexpr const char* kSetupInOriginal        = " has already been setup in the original common block";
constexpr const char* kUnknownCommonDirective = "Unknown directive for a common block";
constexpr const char* kInitialResource        = "Initial setup for resource ";
constexpr const char* kInitialCfa             = "Initial setup for CFA ";
constexpr const char* kNoInitialResource      = "No initial setup for resource ";
constexpr const char* kNoInitialCfa           = "No initial setup for CFA ";
constexpr const char* kRuleConcat             = " has the rule concat";
constexpr const char* kRuleNotUndefined       = " has a rule other than undefined";
constexpr const char* kRuleNotConcat          = " has a rule other than concat but in one or more of its parts";
constexpr const char* kAllPartsUndefined      = "All resourceparts have the rule undefined when the resource ";
constexpr const char* kStackNotResource       = "StackFrame(s) not declared as a resource:";
// Data blocks
constexpr const char* kNotFunctionLabel       = "Not a function label";
constexpr const char* kFunctionSet            = "Function already set for this data-block";
constexpr const char* kFunctionFirst          = "Function must be set prior to any data directives";
constexpr const char* kPickerConditional      = "Can't both be a picker and a conditional data block";
constexpr const char* kNoRememberedState      = "Restoring state when there is no remebered state";
constexpr const char* kUnmatchedRemember      = "Unmatched RememberState encountered";
constexpr const char* kUnknownDataDirective   = "Unknown directive for a data block";
constexpr const char* kNotCodeAligned         = "Code offset used for CFI not code-aligned (data block ";
// Rules
constexpr const char* kConcatOn               = "The rule concat is used on resource ";
constexpr const char* kConcatNoParts          = " which doesn't have resource parts";
constexpr const char* kNotDataAligned         = "Offset not correctly data-aligned";
constexpr const char* kWrongSign              = "Offset not correctly data-aligned (wrong sign)";
constexpr const char* kLoadSize               = "Need a size between 1 and 4";
constexpr const char* kOperandCount           = "Illegal nr of operands";
constexpr const char* kUnknownOperator        = "Unknown operator";
constexpr const char* kFrameForCfa            = "Can not use the frame operator for a CFA";
constexpr const char* kAlreadyInserted        = " already inserted";
constexpr const char* kRuleFor                = "Rule for ";                           // + name + kAssociated
constexpr const char* kAssociated             = " failed, associated resource already assigned a value (or one of it's part)";
constexpr const char* kStaticRule             = "A static overlay frame can only have the rule USED or NOTUSED";
constexpr const char* kUsedNotStatic          = "USED and NOTUSED are only for a static overlay frame";
constexpr const char* kCfaRule                = "SAMEVALUE and CONCAT are not usable for a CFA";
constexpr const char* kUnknownName            = "Unknown resource or CFA ";
constexpr const char* kExpectedCfa            = "Expected a CFA";
constexpr const char* kExpectedResource       = "Expected a resource";
// Syntax
constexpr const char* kExpectedName           = "Expected a name";
constexpr const char* kExpectedNumber         = "Expected a number";
constexpr const char* kExpectedExpression     = "Expected an expression";
constexpr const char* kExpectedComma          = "Expected a comma ','";
constexpr const char* kExpectedOpen           = "Expected a parenthesis '('";
constexpr const char* kExpectedClose          = "Expected a parenthesis ')'";
constexpr const char* kExpectedEnd            = "Expected the end of the directive";
constexpr const char* kOutOfRange             = "Value out of range";
constexpr const char* kTooDeep                = "Expression nested too deeply (max is 256)";
// clang-format on

}  // namespace cfi_msg
