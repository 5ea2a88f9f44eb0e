// Project settings of ostrel build read with toml++: known keys taken, others
// named in a warning, a malformed file refused with its line.

#include "Settings.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <toml++/toml.h>

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
namespace
{
// A string, or an array of strings; false (with a message) for anything else.
bool Strings(const toml::node& node, const std::string& where, std::vector<std::string>& out, std::string& error)
{
    if (const auto* one = node.as_string())
    {
        out = {one->get()};
        return true;
    }
    const auto* array = node.as_array();
    if (!array)
    {
        error = where + ": expected a string or an array of strings";
        return false;
    }
    out.clear();
    for (const toml::node& item : *array)
    {
        const auto* text = item.as_string();
        if (!text)
        {
            error = where + ": expected an array of strings";
            return false;
        }
        out.push_back(text->get());
    }
    return true;
}

std::string Place(const std::string& path, const toml::node& node)
{
    const toml::source_position begin = node.source().begin;
    return path + ":" + std::to_string(begin.line) + ":" + std::to_string(begin.column);
}

bool Text(const toml::node& node, const std::string& where, std::string& out, std::string& error)
{
    const auto* text = node.as_string();
    if (!text)
    {
        error = where + ": expected a string";
        return false;
    }
    out = text->get();
    return true;
}

// A [version] value as text: strings as they are, numbers and booleans
// printed.
std::string ValueText(const toml::node& node)
{
    if (const auto* text = node.as_string())
        return text->get();
    std::ostringstream out;
    if (const auto* integer = node.as_integer())
        out << integer->get();
    else if (const auto* boolean = node.as_boolean())
        out << (boolean->get() ? "true" : "false");
    else if (const auto* number = node.as_floating_point())
        out << number->get();
    else
        out << "(" << node.type() << ")";
    return out.str();
}
} // namespace

std::string ProjectSettings::Fingerprint() const
{
    std::string text = "name=" + name + "\nprefix=" + prefix + "\nmainprefix=" + mainPrefix + "\n";
    for (const std::string& item : includes)
        text += "include=" + item + "\n";
    for (const std::string& item : excludes)
        text += "exclude=" + item + "\n";
    for (const std::string& item : version)
        text += "version." + item + "\n";
    return text;
}

bool ReadSettingsText(const std::string& text, const std::string& path, ProjectSettings& settings, std::string& error)
{
    toml::table table;
    try
    {
        table = toml::parse(text, path);
    }
    catch (const toml::parse_error& failure)
    {
        const toml::source_position begin = failure.source().begin;
        error = path + ":" + std::to_string(begin.line) + ":" + std::to_string(begin.column) + ": " +
                std::string(failure.description());
        return false;
    }
    settings.files.push_back(path);
    for (const auto& item : table)
    {
        const std::string key(item.first.str());
        const toml::node& value = item.second;
        const std::string where = Place(path, value) + ": " + key;
        bool ok = true;
        if (key == "name")
            ok = Text(value, where, settings.name, error);
        else if (key == "prefix")
            ok = Text(value, where, settings.prefix, error);
        else if (key == "mainprefix")
            ok = Text(value, where, settings.mainPrefix, error);
        else if (key == "files" && value.is_table())
        {
            for (const auto& inner : *value.as_table())
            {
                const std::string name(inner.first.str());
                const std::string at = Place(path, inner.second) + ": files." + name;
                if (name == "include")
                    ok = Strings(inner.second, at, settings.includes, error);
                else if (name == "exclude")
                    ok = Strings(inner.second, at, settings.excludes, error);
                else
                    settings.warnings.push_back(at + ": unknown key, ignored");
                if (!ok)
                    return false;
            }
        }
        else if (key == "version" && value.is_table())
        {
            settings.version.clear();
            for (const auto& inner : *value.as_table())
                settings.version.push_back(std::string(inner.first.str()) + "=" + ValueText(inner.second));
            std::sort(settings.version.begin(), settings.version.end());
        }
        else
            settings.warnings.push_back(where + ": unknown key, ignored");
        if (!ok)
            return false;
    }
    return true;
}

bool ReadSettings(const std::string& project, ProjectSettings& settings, std::string& error)
{
    for (const fs::path& path : {fs::path(project) / ".hemtt" / "project.toml", fs::path(project) / "ostrel.toml"})
    {
        std::error_code code;
        if (!fs::is_regular_file(path, code))
            continue;
        std::ifstream file(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (!file && !file.eof())
        {
            error = path.string() + ": cannot be read";
            return false;
        }
        if (!ReadSettingsText(text, path.string(), settings, error))
            return false;
    }
    return true;
}
} // namespace modbuild
} // namespace cli
