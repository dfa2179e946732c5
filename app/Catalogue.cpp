#include "Catalogue.h"

const ServiceEntry kServiceCatalogue[kServiceCount] = {
    {L"https://chatgpt.com", L"ChatGPT"},
    {L"https://grok.com/?referrer=website", L"Grok"},
    {L"https://gemini.google.com/", L"Gemini"},
    {L"https://copilot.microsoft.com/chats/", L"Copilot"},
    {L"https://chat.deepseek.com/", L"Deepseek"},
    {L"https://www.bing.com/images/create?", L"Bing"},
    {L"https://www.phind.com/", L"phind"},
    {L"https://claude.ai/", L"ClaudeIA"},
    {L"https://labs.perplexity.ai/", L"Perplexity"},
    {L"https://chat.qwen.ai/", L"Qwen"},
    {L"https://replit.com/~", L"replit"},
    {L"https://huggingface.co/chat", L"huggingface"},
    {L"https://www.meta.ai/", L"meta"},
    {L"https://fusionbrain.ai/en/editor/", L"fusionbrain"},
    {L"https://translate.google.com/", L"Translator"},
    {L"https://www.deepl.com/en/write", L"Deepl write"},
};
