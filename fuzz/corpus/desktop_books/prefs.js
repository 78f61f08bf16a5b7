user_pref("ldap_2.servers.Work.description", "Work \"x\"");
user_pref("ldap_2.servers.Work.filename", "abook-1.sqlite");
