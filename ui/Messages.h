#pragma once
// The texts of the configuration dialogs' message boxes, exactly as the user sees them (the
// title "Waring" included: users and their documentation know it by that name).

namespace NQuillon::NMessages
{
constexpr const char* gc_ErrorTitle = "Error";
constexpr const char* gc_ConfirmTitle = "Waring";

constexpr const char* gc_NoName = "You must provide a name";
constexpr const char* gc_NameExists = "The name already exists";
constexpr const char* gc_NameOrPriorityExists = "The name or priority already exists";
constexpr const char* gc_ActionExists = "Action already exists";

constexpr const char* gc_DeletePreset = "Are you sure you want to delete the preset?";
constexpr const char* gc_DeleteTable = "Are you sure you want to delete the table?";
constexpr const char* gc_DeleteGroup = "Are you sure you want to delete the group?";
constexpr const char* gc_DeleteAction = "Are you sure you want to delete the action?";
} // namespace NQuillon::NMessages
