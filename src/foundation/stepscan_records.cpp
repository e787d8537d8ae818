// The parser's side of the scan: which tokens make a record, and what it drops after an error.
#include "foundation/stepscan.h"

#include <algorithm>

// The file's frame (start, header, data, their ends) admits no error: the reader then holds
// no entity at all. Inside the header and the data, the parser drops what it cannot read.
void StepScan::token(Token t, std::int64_t number)
{
    if (t == Token::End) { // the lexer reads nothing after it, wherever it stands
        m_ended = true;
        m_endOffset = m_offset + 1;
        m_readable = m_parse == Parse::DataEnded;
        return;
    }
    switch (m_parse) {
    case Parse::Start:
        m_parse = t == Token::Step ? Parse::Started : Parse::Dead;
        return;
    case Parse::Started:
        m_parse = t == Token::Header ? Parse::HeaderTop : Parse::Dead;
        return;
    case Parse::HeaderTop:
        if (t == Token::Type)
            m_parse = Parse::Typed;
        else if (t == Token::Endsec)
            m_parse = Parse::HeaderEnded;
        return; // anything else is dropped up to the next header entity
    case Parse::HeaderEnded:
        if (t == Token::Data) {
            m_parse = Parse::Between;
            m_inHeader = false;
            return;
        }
        // The reader's parser recovers into the header: what follows (a misspelled "DATA;", its
        // records, a second "HEADER;") is header to it until an "ENDSEC;" that "DATA;" follows.
        m_parse = Parse::HeaderTop;
        break;
    case Parse::Dead:
        return;
    case Parse::Between:
    case Parse::DataEnded:
        if (t == Token::Entity) {
            m_pending = number;
            m_pendingRefs.clear();
            m_complex = false;
            m_recorded = false;
            m_typeName.clear();
            m_usageType = false;
            m_parse = Parse::Named;
        } else if (t == Token::Endsec) {
            m_parse = Parse::DataEnded;
        } else {
            m_parse = Parse::Between;
        }
        return; // anything else is dropped up to the next record
    case Parse::Named:
        if (moveOn(t, Token::Equals, Parse::Assigned))
            return;
        break;
    case Parse::Assigned:
        if (moveOn(t, Token::Type, Parse::Typed)) {
            m_partRole = m_typeRole;
            return;
        }
        if (t == Token::Open) {
            m_complex = true;
            m_parse = Parse::Complex;
            return;
        }
        break;
    case Parse::Typed:
    case Parse::ComplexTyped:
        if (t == Token::Open) {
            m_parse = Parse::Arguments;
            m_depth = 1;
            m_deepestList = std::max(m_deepestList, 1);
            m_expectArgument = true;
            m_typeInArguments = false;
            return;
        }
        break;
    case Parse::Arguments:
    case Parse::Skipping:
        argumentToken(t, number);
        return;
    case Parse::Closed:
        if (moveOn(t, Token::Semicolon, m_inHeader ? Parse::HeaderTop : Parse::Between))
            return;
        break;
    case Parse::Complex:
        if (moveOn(t, Token::Type, Parse::ComplexTyped)) {
            m_partRole = m_typeRole;
            return;
        }
        if (m_recorded && moveOn(t, Token::Close, Parse::Closed))
            return;
        break;
    }
    // What the parser cannot take ends the entity; the token may start the next one.
    m_parse = m_inHeader ? Parse::HeaderTop : Parse::Between;
    token(t, number);
}

bool StepScan::moveOn(Token t, Token expected, Parse next)
{
    if (t != expected)
        return false;
    m_parse = next;
    return true;
}

void StepScan::argumentToken(Token t, std::int64_t number)
{
    if (m_parse == Parse::Skipping) { // the parser drops tokens up to a ',' or ')'
        if (t == Token::Comma) {
            m_parse = Parse::Arguments;
            m_expectArgument = true;
        } else if (t == Token::Close) {
            m_parse = Parse::Arguments;
            closeList();
        }
        return;
    }
    if (m_typeInArguments) { // a type name is an argument of its own unless its list follows
        m_typeInArguments = false;
        m_expectArgument = t == Token::Open;
        if (t == Token::Open) {
            openList();
            return;
        }
    }
    switch (t) {
    case Token::Ident:
        if (m_expectArgument) {
            m_pendingRefs.push_back(number);
            m_expectArgument = false;
            return;
        }
        break;
    case Token::Value:
        if (m_expectArgument) {
            m_expectArgument = false;
            return;
        }
        break;
    case Token::Type:
        if (m_expectArgument) {
            m_typeInArguments = true;
            return;
        }
        break;
    case Token::Open:
        if (m_expectArgument) {
            openList();
            return;
        }
        break;
    case Token::Comma:
        m_expectArgument = true;
        return;
    case Token::Close:
        closeList();
        return;
    default:
        break;
    }
    m_parse = Parse::Skipping;
}

void StepScan::openList()
{
    m_deepestList = std::max(m_deepestList, ++m_depth);
}

void StepScan::closeList()
{
    m_expectArgument = false;
    if (--m_depth > 0)
        return;
    m_parse = m_complex ? Parse::Complex : Parse::Closed;
    if (m_inHeader)
        return;
    // The record exists once its (first) list closes; a complex record's later parts add to it.
    const Role role = m_partRole;
    m_partRole = Role::None;
    if (m_pending == 0) { // the reader keeps no record numbered 0
        m_pendingRefs.clear();
        return;
    }
    if (!m_recorded) {
        m_recorded = true;
        m_ids.push_back(m_pending);
        m_offsets.push_back(m_refs.size());
        m_roles.push_back(static_cast<unsigned char>(Role::None));
        Kind kind = Kind::Known;
        if (!m_complex && !m_typeName.empty() && !m_knownType(m_typeName))
            kind = Kind::Unknown;
        else if (!m_complex && m_usageType)
            kind = Kind::Usage;
        m_kinds.push_back(kind);
        m_roleRefs.push_back(0);
    }
    if (role != Role::None && m_roles.back() == static_cast<unsigned char>(Role::None)) { // its first such part
        m_roles.back() = static_cast<unsigned char>(role);
        m_roleRefs.back() = m_refs.size() - m_offsets[m_offsets.size() - 2];
    }
    m_refs.insert(m_refs.end(), m_pendingRefs.begin(), m_pendingRefs.end());
    m_offsets.back() = m_refs.size();
    m_pendingRefs.clear();
}
