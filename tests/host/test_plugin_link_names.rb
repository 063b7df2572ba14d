require 'minitest/autorun'
require 'plugin_host'

# Model paths as users name them. The link's main section is named after the model's path, so
# every character a file name may hold must reach Korvan unchanged; and since Windows refuses a
# section name of MAX_PATH (260) UTF-16 units or more, a longer path cannot be linked and the
# start says so, leaving nothing behind.
class TestPluginLinkNames < Minitest::Test
  include PluginHost::FreshModel

  def units(text) = text.encode('UTF-16LE').bytesize / 2

  def save_and_start(path)
    FileUtils.mkdir_p(File.dirname(path))
    @model.save(path)
    forget_before_start
    start
  end

  # Checks, as Korvan sees it, the link of `path` that this process hosts, then stops it.
  def assert_linked_under_exact_name(path, what)
    assert PluginHost.linked?, what
    assert_empty HostSim::Desktop.messages, what
    snapshot = PluginHost.inspect_link(path)
    assert_equal path, snapshot['link'], what
    assert_equal Process.pid, snapshot['header']['creatorProcessId'], what
    assert_equal @model.guid.upcase, snapshot['header']['modelGuid'], what
    assert_empty snapshot['problems'], what
    PluginHost.wait_until_published(path)
    assert_equal [{ 'name' => path, 'value' => 1 }], PluginHost.peer('directory')['entries'], what
    assert_equal [path], PluginHost.live_links, what

    PluginHost.command('Stop TwinLink').invoke
    assert_empty PluginHost.directory, what
    assert_empty PluginHost.section_files, what
  end

  def test_paths_with_characters_odd_in_file_names_link_under_their_exact_name
    {
      'spaces, %, #, & and parentheses' => 'Küche & Bad/Entwurf #3 (50% fertig).skp',
      'colons, Greek, Chinese, Cyrillic and a character beyond the BMP' => 'Ωμέγα: 北京/план 2024: дом 🏠.skp',
      'a name whose file-name encoding is longer than a file name may be' => "#{'é' * 100}/#{'ß' * 40}.skp"
    }.each do |what, relative|
      path = File.join(@base, relative)
      assert_operator units(path), :<, 260, what
      save_and_start(path)
      assert_linked_under_exact_name(path, what)
    end
  end

  # The model's path padded to `length` UTF-16 units with one folder.
  def path_of_units(length)
    padding = length - units(File.join(@base, 'House.skp')) - 1
    assert_includes 1..255, padding, 'a folder name of this length can be made here'
    File.join(@base, 'x' * padding, 'House.skp').tap { |path| assert_equal length, units(path) }
  end

  def test_a_path_of_259_units_links_and_one_of_260_is_refused_as_a_file_already_open
    path = path_of_units(259)
    save_and_start(path)
    assert_linked_under_exact_name(path, '259 units')

    path = path_of_units(260)
    save_and_start(path)
    assert_equal [PluginHost::FILE_ALREADY_OPEN], HostSim::Desktop.messages
    assert_equal PluginHost::REFUSED_STATUS, HostSim.status_history
    refute PluginHost.linked?
    assert_empty HostSim.timer_ids
    assert_empty PluginHost.section_files, 'nothing is held'
    assert_empty PluginHost.directory
  end
end
