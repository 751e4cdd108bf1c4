#pragma once

#include <stdexcept>
#include <string>

#include <QString>

// A statement or connection the database refused; what() is the database's own message.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message) : std::runtime_error(message) {}
    explicit DatabaseError(const QString& message) : std::runtime_error(message.toStdString()) {}
};
